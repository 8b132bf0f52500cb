#include <gtest/gtest.h>

#include "InfoTestSupport.h"
#include "recorder/info/DeviceNames.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/ValueSource.h"
#include "recorder/info/VersionWord.h"

namespace {

struct NameCase {
  const char* name;
  std::uint32_t sw;
  std::uint8_t line;
  std::uint32_t model;
  std::array<std::uint8_t, 6> slots;
  const char* shortName;
  const char* designation;
};

class DeviceName : public testing::TestWithParam<NameCase> {};

TEST_P(DeviceName, ShortNameAndDesignation)
{
  const auto& c = GetParam();
  TRegInfo info;
  info.SwVersion = c.sw;
  info.DeviceLine = c.line;
  info.ModelCode = c.model;
  info.ModuleSlots = c.slots;
  info.PhysAICount = 8;
  info.DOCount = 16;
  EXPECT_EQ(GetDeviceShortName(info), c.shortName);
  EXPECT_EQ(GetModelDesignation(info), c.designation);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Examples, DeviceName, testing::Values(
    NameCase{"pelkar_l7_modules", 0x02016400, 1, 51, {1, 0, 3, 0, 0, 12}, "Pelkar-740-L7", "Pelkar-740-L7-4АВ-8ДВ-4ИП"},
    NameCase{"corvane_318k", 0x02010000, 0, 21, {}, "Corvane-Tovi-318K", "Corvane-Tovi-318K"},
    NameCase{"corvane_line_2_l7c", 0x02010000, 2, 50, {21, 20, 5}, "Corvane-Tovi-L7С", "Corvane-Tovi-L7С-4ДВ-16РТ-1АВ1АЕ1ИП"},
    NameCase{"no_brand", 0x02010000, 3, 21, {}, "318K", "318K"},
    NameCase{"slot_22_drops_every_suffix", 0x02016400, 1, 51, {1, 3, 22, 0, 0, 0}, "Pelkar-740-L7", "Pelkar-740-L7"},
    NameCase{"first_line_brand", 0x01080000, 0, 3, {}, "Corvane-Tovi", "Corvane-Tovi-8-16"},
    NameCase{"first_line_second_brand", 0x01090000, 1, 0, {}, "Pelkar-740", "Pelkar-740-8-16"},
    NameCase{"first_line_no_brand", 0x01080000, 3, 0, {}, "", "8-16"}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(DeviceName, UnknownModelOnTheSecondLine)
{
  TRegInfo info;
  info.SwVersion = 0x02010000;
  info.DeviceLine = 1;
  info.ModelCode = 22;
  EXPECT_EQ(CheckOf([&] { GetDeviceShortName(info); }), 6108);
  EXPECT_EQ(CheckOf([&] { GetModelDesignation(info); }), 6177);
}

class ValueSources : public testing::Test {
protected:
  void SetUp() override
  {
    info.AIChannels.resize(2);
    info.AIChannels[1].Name = "АВ2";
    info.DIChannels.resize(4);
    info.DIChannels[3].Name = "ДВ4";
    info.DOCount = 2;
    info.ExtDOCount = 1;
    info.DOChannels.resize(3);
    info.DOChannels[2].Name = "РВ3";
    info.AOCount = 1;
    info.ExtAOCount = 2;
    info.AOChannels.resize(1);  // the extension outputs are appended by the list builder
    info.AOChannels[0].Name = "АЕ1";
    info.TTLCount = 3;
    info.TTLNames.Add("СМ1");
    info.CtlCount = 2;
    info.CtlNames.Add("Рег1");
    info.CtlNames.Add("Рег2");
  }
  TRegInfo info;
};

TEST_F(ValueSources, Names)
{
  struct Case {
    ValueSource source;
    const char* name;
  } cases[] = {
      {{0, 5}, " нет"},     {{1, 1}, "АВ2"},     {{1, 2}, "AI[2]"},   {{3, 3}, "ДВ4"},   {{3, 7}, "DI[7]"},
      {{4, 2}, "РВ3"},      {{2, 0}, "АЕ1"},     {{2, 2}, "AO[2]"},   {{5, 0}, "СМ1"},   {{5, 2}, "TTL[2]"},
      {{5, 3}, "TTL[3]"},   {{6, 1}, "Рег2"},    {{6, 2}, "CTL[2]"},  {{9, 2}, "<9>[2]"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetValueSourceName(info, c.source), c.name) << int(c.source.Kind) << " " << c.source.Index;
}

TEST_F(ValueSources, Repair)
{
  struct Case {
    ValueSource source, repaired;
  } cases[] = {
      {{0, 7}, {0, 7}}, {{3, 7}, {3, 0}}, {{3, 3}, {3, 3}}, {{2, 2}, {2, 2}},
      {{9, 2}, {0, 0}}, {{6, 5}, {6, 0}}, {{4, 3}, {4, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(info.FixValueSource(c.source), c.repaired) << int(c.source.Kind);
  TRegInfo bare;
  EXPECT_EQ(bare.FixValueSource({2, 0}), (ValueSource{0, 0}));  // no analog outputs at all
  EXPECT_EQ(bare.FixValueSource({5, 1}), (ValueSource{0, 0}));
}

}  // namespace
