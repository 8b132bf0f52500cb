#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "recorder/config/RegConfig.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VersionWord.h"
#include "support/Hex.h"

// The records vectors/make_vectors.py wrote for one block family (vectors/<family>.txt),
// by name.
inline const std::vector<std::uint8_t>& RecordVector(const std::string& family, const std::string& name)
{
  static std::map<std::string, std::map<std::string, std::vector<std::uint8_t>>> files;
  auto& records = files[family];
  if (records.empty()) {
    const char* dir = std::getenv("KESTREL_TEST_DATA");
    const std::string path = std::string(dir ? dir : KESTREL_CONFIG_TEST_DATA) + "/vectors/" + family + ".txt";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("no vector file " + path);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      const auto space = line.find(' ');
      records[line.substr(0, space)] = Hex(line.substr(space + 1));
    }
  }
  const auto found = records.find(name);
  if (found == records.end()) throw std::runtime_error("no vector " + name + " in " + family);
  return found->second;
}

// A configuration whose device information is filled by hand, as a full information
// read would leave it, then fitted with ResizeToInfo.
struct ConfigFixture {
  TRegConfig config;

  explicit ConfigFixture(std::uint32_t sw) { SetVersion(sw); }

  void SetVersion(std::uint32_t sw)
  {
    config.RegInfo.SwVersion = sw;
    config.RegInfo.GenSwVersion = sw;
  }
  void Fit()
  {
    config.RegInfo.InfoIncomplete = false;
    config.ResizeToInfo();
  }
};

// A device with every control type offered (the position is the code), two base
// outputs and two extension outputs.
struct AODevice : ConfigFixture {
  explicit AODevice(std::uint32_t sw, std::vector<std::uint8_t> controlTypes = {0, 1, 2, 3, 4, 5, 6})
      : ConfigFixture(sw)
  {
    TRegInfo& info = config.RegInfo;
    info.AOCount = 2;
    info.ExtAOCount = 2;
    info.AOChannels = {TRegInfo::TRegAOChannelInfo(0), TRegInfo::TRegAOChannelInfo(0),
                       TRegInfo::TRegAOChannelInfo(1), TRegInfo::TRegAOChannelInfo(1)};
    info.AOControlTypes = std::move(controlTypes);
    Fit();
  }
  TRegAOConfig& Base() { return config.AO[0]; }
  TRegAOConfig& Extension() { return config.AO[2]; }
};
