#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"

class TRegConfig;
class TRegInfo;

// One totalizer. Knows its owner (for the firmware version), not its position.
class TRegSMConfig : public TRegItemOwner, public TChEventJobClass<TEventJobClass, 0> {
public:
  TRegSMConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegSMConfig& other) { *this = other; }
  static std::uint32_t RecordSize(std::uint32_t version);
  void ReadRecord(std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
