#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"
#include "recorder/config/RegSMConfig.h"

class TRegConfig;

// One counter ("СЧ"): settings, a value and its factor, a short text, a name and two
// events. Knows its owner (for the firmware version), not its position. Records of 64
// bytes on the first line (from 1.5), 68 on the second; written only for 1.5-1.8 and
// 2.0-2.1.24.
class TRegCTConfig : public TRegItemOwner, public TChEventJobClass<TEventJobClass, 0> {
public:
  using TRegCTEvent = TRegSumEvent<float>;

  std::uint8_t CtByte0 = 0;
  std::uint8_t CtByte1 = 1;
  float CtValue = 0.0f;
  float CtFactor = 1.0f;
  std::string ShortText;  // 7 characters
  std::string Name;
  std::array<TRegCTEvent, 2> Events{};

  TRegCTConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner.
  void Assign(const TRegCTConfig& other) { *this = other; }
  static std::uint32_t RecordSize(std::uint32_t version);
  // At the owner's SwVersion. A second-line record of 64 bytes sets CtByte0 alone.
  void ReadRecord(std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
