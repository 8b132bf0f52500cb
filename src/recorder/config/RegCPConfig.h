#pragma once

#include <cstdint>
#include <span>
#include <vector>

class TRegConfig;
class TRegInfo;

// The CP items.
class TRegCPConfig {
public:
  TRegCPConfig() { SetDefaults(); }

  void SetDefaults();
  static std::uint32_t RecordSize(std::uint32_t version);
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
