#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "recorder/config/RegConfig.h"

// A recorder whose analog inputs are described by hand as a full information read
// leaves them. Its signal-support list holds every code: entry j has code j + 1 and
// the last entry (18) code 0. Channel 0 ("АВ1") offers all 19 entries in reverse order,
// so its position p names code 19 - p and position 0 code 0: no position equals its
// code but 0, and the record vectors (vectors/ai_ao.py, signal_position) use the same
// mapping. Channel 1 ("АВ2") offers three entries: codes 1, 0 and 6.
struct AIDevice : ConfigFixture {
  static constexpr std::size_t kAllSignals = 19;

  explicit AIDevice(std::uint32_t sw, std::uint32_t genSw = 0) : ConfigFixture(sw)
  {
    TRegInfo& info = config.RegInfo;
    info.GenSwVersion = genSw != 0 ? genSw : sw;
    info.DevFilterParam = 50;  // filter lengths up to 49
    for (std::size_t j = 0; j < kAllSignals; ++j) {
      TRegInfo::TRegAIChannelSignalSupportInfo entry;
      entry.SignalCode = static_cast<std::uint8_t>(j + 1 < kAllSignals ? j + 1 : 0);
      entry.Valid = 1;
      info.AISignalSupport.push_back(entry);
    }
    TRegInfo::TRegAIChannelInfo all;
    all.Name = "АВ1";
    all.SignalCount = kAllSignals;
    for (std::size_t p = 0; p < kAllSignals; ++p) all.Signals[p] = static_cast<std::uint8_t>(kAllSignals - 1 - p);
    TRegInfo::TRegAIChannelInfo few;
    few.Name = "АВ2";
    few.SignalCount = 3;
    few.Signals[0] = 0;   // code 1
    few.Signals[1] = 18;  // code 0
    few.Signals[2] = 5;   // code 6
    info.AIChannels = {all, few};
    Fill(info.RtdWiringNames, 4);
    Fill(info.ThermocoupleNames, 13);
    Fill(info.ColdJunctionModes, 6);
    Fill(info.RtdTypeNames, 5);
    Fill(info.PyrometerNames, 4);
    info.RtdR0List = {10, 50, 53, 100, 200, 500, 1000};
    info.AIFilterTypes = {{1, 125}, {2, 9999}, {3, 500}, {4, 9999}};
    info.ValueLimitEx1.SetLimits(1, 6, -9999999, 9999999);
    if (IsFirmwareFrom(sw, MakeVersion(2, 1, 159))) info.ValueLimitEx2.SetLimits(0, 3, 0, 65535);
    else info.ValueLimitEx2.SetLimits(1, 6, 0, 9999999);
    Fit();
  }

  TRegAIConfig& AI(std::size_t channel = 0) { return config.AI[channel]; }

  static void Fill(TStringList& list, int count)
  {
    list.Clear();
    for (int i = 0; i < count; ++i) list.Add("item", i);
  }
};

// The channel 0 position of a signal code.
constexpr std::uint8_t PositionOf(std::uint8_t code) { return code == 0 ? 0 : static_cast<std::uint8_t>(19 - code); }

inline std::vector<std::uint8_t> Written(const TRegAIConfig& ai, std::uint32_t target)
{
  std::vector<std::uint8_t> out;
  ai.WriteRecord(target, out);
  return out;
}
