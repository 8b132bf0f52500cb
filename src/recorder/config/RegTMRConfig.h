#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"

// One timer: a setting byte, a 32-bit value, a name and four event-action codes that
// share one pair of action fields. Records of 44 bytes (1.6 to 1.10.20) and 40 bytes
// (second line). Not attached.
class TRegTMRConfig : public TChEventJobClass<TEventJobClass, 2> {
public:
  std::uint8_t TmrByte = 0;
  std::uint32_t TmrValue = 0;
  std::string Name;
  std::uint32_t ActionA = 0;  // 0-3: action field A of all four codes
  std::uint32_t ActionB = 0;  // 0-3: action field B
  std::array<std::uint16_t, 4> Codes{};

  TRegTMRConfig() { SetDefaults(); }

  void SetDefaults();
  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware (the store callback passes its SwVersion).
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  // 0 (nothing) for 1.5.
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
