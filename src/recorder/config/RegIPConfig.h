#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"

// One IP channel ("ИП"): one event item with its two event-action codes. Nothing in its
// 8-byte record depends on the device's channel information, so it is not attached.
class TRegIPConfig : public TChEventJobClass<TEventJobClass, 0> {
public:
  // The record's 8 bytes: header (bits 0-3 event flags, 4-5 action field A, 6-7 action
  // field B), two parameter bytes, two event-action codes and a spare byte kept as read.
  struct TRegIPEvent {
    std::uint8_t Header = 0;
    std::array<std::uint8_t, 2> Params{};
    std::array<std::uint16_t, 2> Codes{};
    std::uint8_t Spare = 0;
  };

  std::string Name;  // not in the record
  TRegIPEvent Event;

  // 8 for every version.
  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware; only the first 8 bytes of a longer record are used.
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
