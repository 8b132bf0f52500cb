#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recorder/config/FieldConventions.h"

class TRegConfig;
class TRegInfo;

// One timer. Copied member-wise; not attached.
class TRegTMRConfig : public TChEventJobClass<TEventJobClass, 2> {
public:
  TRegTMRConfig() { SetDefaults(); }

  void SetDefaults();
  static std::uint32_t RecordSize(std::uint32_t version);
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
