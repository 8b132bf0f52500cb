#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "recorder/info/StringList.h"

// What every configuration record shares: text fields, enumerated bytes checked against
// the device's lists, the small clamps, and the event-action code with its one-byte
// forms of first-line firmware and the rewrite records above 2.1.80.0 take.

// --- Text fields -----------------------------------------------------------------
// A text field is a fixed-width byte field in code page 1251, zero-terminated when the
// text is shorter. The model keeps names in UTF-8; expressions and a few other texts stay
// raw bytes. n is the most bytes taken or given: readers and writers pass the field's
// width - 1, so the last byte of a field is never read and a name always keeps its zero.

// The bytes before the first zero, at most n of them (and never past the field), decoded
// from code page 1251. n <= 0 leaves text as it was.
void FieldToString(std::span<const std::uint8_t> field, int n, std::string& text);
// The same bytes, kept raw.
void FieldToAnsiString(std::span<const std::uint8_t> field, int n, std::string& bytes);
// The same: the regulator keeps its texts as raw code page 1251 bytes too.
void FieldToAnsiString1251(std::span<const std::uint8_t> field, int n, std::string& bytes);
// Encodes text to code page 1251 ('?' for a character the page lacks), cuts it to n
// bytes and writes it with a terminating zero: at most n + 1 bytes.
void StringToField(const std::string& text, std::span<std::uint8_t> field, int n);
// The first min(size, n) bytes, the rest of the n bytes zero; a string of n bytes or more
// fills the n bytes with no terminator.
void AnsiStringToField(const std::string& bytes, std::span<std::uint8_t> field, int n);

// --- Enumerated bytes and clamps -------------------------------------------------

// value when the list holds it as an item's object; otherwise the first item's object,
// or 0 for an empty list.
std::uint32_t CheckEnumValue(std::uint32_t value, const TStringList& list);

// The record bytes compare as signed 8-bit numbers, so 0x80..0xFF counts as below any
// limit of 0..127 and stays.
std::uint8_t ClampToLast(std::uint8_t value, std::uint8_t limit);                       // else limit - 1
std::uint8_t ClampToZero(std::uint8_t value, std::uint8_t limit);                       // else 0
std::uint8_t ClampToDefault(std::uint8_t value, std::uint8_t limit, std::uint8_t def);  // else def
// The signed comparison the clamps and several record checks make: byte > limit.
constexpr bool SignedByteAbove(std::uint8_t value, int limit) { return static_cast<std::int8_t>(value) > limit; }

// --- Event-action codes ----------------------------------------------------------
// A 16-bit code: the action class in the low byte (TEventJobClass), its parameter (a
// relay, a channel number) in the high byte. 0 means no action. Second-line records store
// it as it is; first-line records pack it into one byte.
using TEventJobClass = std::uint8_t;

constexpr std::uint8_t EventJobClassOf(std::uint16_t code) { return static_cast<std::uint8_t>(code & 0xFF); }
constexpr std::uint8_t EventJobParamOf(std::uint16_t code) { return static_cast<std::uint8_t>(code >> 8); }
constexpr std::uint16_t MakeEventJobCode(std::uint8_t jobClass, std::uint8_t param)
{
  return static_cast<std::uint16_t>(param << 8 | jobClass);
}

// The one-byte form of a first-line record of that firmware. EVantorUnsupportedOldVer
// below 1.3, EVantorUnsupportedNewVer from 2.0 on (those records never pack a code).
std::uint16_t DecodeEventJobCode(std::uint32_t version, std::uint8_t byte);
std::uint8_t EncodeEventJobCode(std::uint32_t version, std::uint16_t code);

// Firmware above 2.1.80.0 moved some actions into the two 2-bit action fields of the
// event item's header; this rewrites one code, and fields A and B, for such a record.
// Applying it twice changes nothing more.
void ConvertEventJobCodeAbove2_1_80(std::uint16_t& code, std::uint32_t& fieldA, std::uint32_t& fieldB);
// Both codes of an event item whose header keeps field A in bits 4-5 and B in bits 6-7.
void ConvertEventJobCodesInHeader(std::uint8_t& header, std::uint16_t& first, std::uint16_t& second);

// --- Shared values ---------------------------------------------------------------

// The RTD nominal resistance a channel falls back to: 100.00 ohms as the mantissa of
// its two-decimal setting.
inline constexpr int kDefaultRtdR0Mantissa = 10000;

// The base of the channel blocks that carry events. It holds nothing: it marks the
// blocks whose events name actions, Kind telling the timer's apart.
template <typename JobClass, int Kind>
class TChEventJobClass {};
