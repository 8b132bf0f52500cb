#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"

class TRegConfig;
class TRegInfo;

// One discrete input channel: its source among the modes the device offers, name,
// settings, source parameters, two events and a text. Read at the owner's firmware.
class TRegDIConfig : public TRegItemPlace, public TChEventJobClass<TEventJobClass, 0> {
public:
  TRegDIConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegDIConfig& other) { *this = other; }
  static std::uint32_t RecordSize(std::uint32_t version);
  void ReadRecord(std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
