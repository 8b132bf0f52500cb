#pragma once

#include <cstdint>
#include <initializer_list>

#include "recorder/config/RegConfig.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/VersionWord.h"

constexpr std::uint32_t Bits(std::initializer_list<unsigned> bits)
{
  std::uint32_t word = 0;
  for (unsigned b : bits) word |= 1u << b;
  return word;
}

// A device as the full information read leaves it: its versions, identity and feature
// bits, no channel unless a test adds one, one signal type; and its configuration
// fitted to it.
struct BackupDevice {
  TRegConfig config;
  TRegInfo& info = config.RegInfo;

  BackupDevice(std::uint32_t sw, std::uint32_t features = 0)
  {
    info.SwVersion = sw;
    info.GenSwVersion = sw;
    info.HwVersion = MakeVersion(2, 5, 0);
    info.GenHwVersion = MakeVersion(2, 5, 0);
    info.Features = features;
    info.ModelCode = info.GenModelCode = 21;
    info.SerialNumber = 1234;
    info.GenTimeBase = 100;
    info.PageChannelCount = 16;
    if (features >> 13 & 1 && IsSwAtLeast2_1_53(sw)) info.TagFieldCount = 4;
    if (features >> 0 & 1) info.ScheduleCount = 12;
    // The 1.9 general record embeds exactly ten signal types; the others take any number.
    info.AISignalSupport.resize(sw >= MakeVersion(1, 9, 0) && sw < MakeVersion(1, 10, 0) ? 10 : 1);
    std::uint8_t code = 0;
    for (auto& entry : info.AISignalSupport) {
      entry.SignalCode = code++;
      entry.SetRanges(0.0f, 20.0f, 0.0f, 100.0f);
      entry.Valid = 1;
    }
  }
  void Fit()
  {
    info.InfoIncomplete = false;
    config.ResizeToInfo();
    config.MS.SetDefaults();
    config.AMX.SetDefaults();
  }
};
