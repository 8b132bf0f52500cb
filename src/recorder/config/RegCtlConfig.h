#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recorder/config/ItemPlace.h"

class TRegConfig;
class TRegInfo;

// One PID regulator.
class TRegCtlConfig : public TRegItemPlace {
public:
  TRegCtlConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegCtlConfig& other) { *this = other; }
  static std::uint32_t RecordSize(std::uint32_t version);
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
