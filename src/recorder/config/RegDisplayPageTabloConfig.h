#pragma once

#include <cstdint>
#include <span>
#include <vector>

class TRegConfig;
class TRegInfo;

// One channel of the summary board page.
class TRegDisplayPageTabloChannelConfig {};

// The summary board page. Copied member-wise; its reader takes the device information.
class TRegDisplayPageTabloConfig {
public:
  TRegDisplayPageTabloConfig() { SetDefaults(); }

  void SetDefaults();
  static std::uint32_t RecordSize(std::uint32_t version);
  void ReadRecord(const TRegInfo& info, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
