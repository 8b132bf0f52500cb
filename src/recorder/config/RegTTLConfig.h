#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"

class TRegConfig;

// One TTL channel: small coded settings, a factor, a short text, a name, up to four
// events, a byte text and (from 2.1.132) a mode with its own parameters. Records of 80
// bytes (1.9 to the end of the first line; 2.1.25-2.1.53 and the 2.2 branch), 200
// (2.1.54-2.1.131) and 248 (from 2.1.132).
class TRegTTLConfig : public TRegItemPlace, public TChEventJobClass<TEventJobClass, 0> {
public:
  // 10 bytes, as in memory and in the second line's records: header (bits 0-3 event
  // flags, 4-5 action field A, 6-7 action field B), a setting byte, a 32-bit value and
  // two event-action codes.
  struct TRegTTLEvent {
    std::uint8_t Header = 0;
    std::uint8_t Setting = 3;
    std::uint32_t Value = 0;
    std::array<std::uint16_t, 2> Codes{};
  };

  std::uint8_t TtlByte = 0;
  std::uint8_t TtlSelA = 0;  // 0-1
  std::uint8_t TtlSelB = 0;  // 0-3
  std::uint8_t TtlSelC = 0;  // 0-3
  std::uint8_t TtlSelD = 0;  // 0-23
  std::uint8_t TtlSelE = 1;  // 0-8
  float TtlFactor = 1.0f;
  std::string ShortText;  // 7 characters
  std::string Name;
  std::array<TRegTTLEvent, 4> Events{};
  std::string Text;  // raw bytes, 119 at most
  // Stored from 2.1.132 on; older records give 1 when TtlByte is set, else 0.
  std::uint8_t TtlMode = 0;  // 0-3
  std::uint8_t ModeByte = 0;
  std::uint32_t ModeFlag = 0;  // 0-1
  std::uint16_t ModeWord = 0;
  std::int8_t ModeSignedA = 0;  // 0 or negative
  std::int8_t ModeSignedB = 0;
  std::uint32_t ModeLong = 0;
  // The record size and firmware of the last read. From 2.1.54 a device may send either
  // the 200- or the 248-byte form whatever its version; the backup (written for the
  // device's own version) gives it back the form it sent, which keeps the mode and its
  // parameters of a long record and the whole of a short one.
  std::uint32_t ReadSize = 0;
  std::uint32_t ReadVersion = 0;

  TRegTTLConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegTTLConfig& other) { *this = other; }
  // The size of the version's own form (that of a channel not read from a device).
  static std::uint32_t RecordSize(std::uint32_t version);
  // The size WriteRecord gives this channel for a version: the form it was read in when
  // written for the version it was read at, else the version's own.
  std::uint32_t WrittenSize(std::uint32_t targetVersion) const;
  // version: the device's firmware (the store callback passes its SwVersion).
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
