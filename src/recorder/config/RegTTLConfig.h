#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"

class TRegConfig;
class TRegInfo;

// One TTL channel.
class TRegTTLConfig : public TRegItemPlace, public TChEventJobClass<TEventJobClass, 0> {
public:
  TRegTTLConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegTTLConfig& other) { *this = other; }
  static std::uint32_t RecordSize(std::uint32_t version);
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
