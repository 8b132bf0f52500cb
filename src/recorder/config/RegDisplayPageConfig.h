#pragma once

#include <cstdint>
#include <span>
#include <vector>

class TRegConfig;
class TRegInfo;

// One channel slot of a display page.
class TRegDisplayPageChannelConfig {};

// One display page: page settings, a name and its channel slots. Copied
// member-wise; not attached: its reader takes the device information.
class TRegDisplayPageConfig {
public:
  TRegDisplayPageConfig() { SetDefaults(); }

  std::vector<TRegDisplayPageChannelConfig> Channels;

  void SetDefaults();
  static std::uint32_t RecordSize(const TRegInfo& info, std::uint32_t version);
  // Repairs every slot's source against the device's channel counts after a read.
  void FixSources(const TRegInfo& info);
  void ReadRecord(const TRegInfo& info, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
