#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"

class TRegConfig;
class TRegInfo;

// An event of a totalizer (a 32-bit value) or a counter (a single float): 12 bytes in
// memory and in the second line's records.
template <typename T>
struct TRegSumEvent {
  T Value{};
  std::uint8_t Setting = 0;
  std::uint8_t Setting2 = 3;
  std::array<std::uint16_t, 2> Codes{};
  std::array<std::uint8_t, 2> Reserved{};  // kept as the second line's records carry it
};

// The 12 bytes of an event in a second-line record, as in memory.
template <class IO, class Event>
void TransferSumEvent(IO& io, std::size_t at, Event& event)
{
  if constexpr (std::is_floating_point_v<decltype(event.Value)>) io.f32(at, event.Value);
  else io.u32(at, event.Value);
  io.u8(at + 4, event.Setting);
  io.u8(at + 5, event.Setting2);
  io.u16(at + 6, event.Codes[0]);
  io.u16(at + 8, event.Codes[1]);
  io.raw(at + 10, event.Reserved);
}

// One totalizer ("СМ"): a few settings, a short text, a name and two events. Knows its
// owner (for the firmware version), not its position. 64-byte records from 1.5 on; they
// are written only for 1.5-1.8 and 2.0-2.1.24, the firmware whose TTL block has no record.
class TRegSMConfig : public TRegItemOwner, public TChEventJobClass<TEventJobClass, 0> {
public:
  using TRegSMEvent = TRegSumEvent<std::uint32_t>;

  std::uint8_t SmByte0 = 0;
  std::uint8_t SmByte1 = 0;
  std::uint8_t SmByte2 = 0;
  std::uint8_t SmByte3 = 1;
  std::uint32_t SmWord = 0;
  std::string ShortText;  // 7 characters
  std::string Name;
  std::array<TRegSMEvent, 2> Events{};

  TRegSMConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner.
  void Assign(const TRegSMConfig& other) { *this = other; }
  static std::uint32_t RecordSize(std::uint32_t version);
  // At the owner's SwVersion.
  void ReadRecord(std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};

// Firmware 2.1.25 to 2.1.156 reports totalizers and counters whose records no backup
// can write back. Raises, naming the blocks, when the device has any: the configuration
// read calls it before it reads anything, so that such a backup fails at once and
// clearly rather than at its end with a version message that fits no 2.1 device.
void RefuseUnwritableTotalizersAndCounters(const TRegInfo& info);
