#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "InfoTestSupport.h"
#include "platform/Bytes.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"
#include "support/InfoRecordVectors.h"

namespace {

// --- The hand-written record of every band, decoded ---

struct Decoded {
  const char* name;
  const std::vector<std::uint8_t>* record;
  std::uint32_t sw, features, pages, pageChannels, sm, ct, tmr, ttl, serial;
  std::uint8_t line;
  std::uint32_t model, schedule, rs485, filter, tags, tagAux, extDO, ms, width, height, ctl;
  std::uint8_t interfaces;
};

class DeviceInfoVector : public testing::TestWithParam<Decoded> {};

TEST_P(DeviceInfoVector, DecodesEveryField)
{
  const Decoded& d = GetParam();
  TRegInfo info;
  info.ModelCode = 99;  // bands without a model byte keep what was there
  info.ReadDeviceInfoRecord(*d.record);
  EXPECT_EQ(info.SwVersion, d.sw);
  EXPECT_EQ(info.Features, d.features);
  EXPECT_EQ(info.PageCount, d.pages);
  EXPECT_EQ(info.PageChannelCount, d.pageChannels);
  EXPECT_EQ(info.SMCount, d.sm);
  EXPECT_EQ(info.CTCount, d.ct);
  EXPECT_EQ(info.TMRCount, d.tmr);
  EXPECT_EQ(info.TTLCount, d.ttl);
  EXPECT_EQ(info.SerialNumber, d.serial);
  EXPECT_EQ(info.DeviceLine, d.line);
  EXPECT_EQ(info.ModelCode, d.model);
  EXPECT_EQ(info.ScheduleCount, d.schedule);
  EXPECT_EQ(info.RS485Count, d.rs485);
  EXPECT_EQ(info.DevFilterParam, d.filter);
  EXPECT_EQ(info.TagFieldCount, d.tags);
  EXPECT_EQ(info.TagFieldAux, d.tagAux);
  EXPECT_EQ(info.ExtDOCount, d.extDO);
  EXPECT_EQ(info.MSCapacity, d.ms);
  EXPECT_EQ(info.ScreenWidth, d.width);
  EXPECT_EQ(info.ScreenHeight, d.height);
  EXPECT_EQ(info.CtlCount, d.ctl);
  EXPECT_EQ(info.InterfaceMask, d.interfaces);
  EXPECT_EQ(info.HwVersion, d.sw >= 0x02000000 ? 0x02010000u : 0x01040000u);
}

using namespace vectors;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Bands, DeviceInfoVector, testing::Values(
    //       name          record            sw          features    pg pc sm ct tmr ttl serial line model sched rs485 filt tags aux    extDO ms  w    h    ctl if
    Decoded{"v1_4_2",   &kDevice_1_4_2,   0x01040200, 0x00000000, 4, 6, 0, 0, 0, 0, 1402, 1, 99, 0,  0, 0,  0, 0,     0, 0,   0,   0,   0, 0},
    Decoded{"v1_5_3",   &kDevice_1_5_3,   0x01050300, 0x00000000, 4, 6, 2, 1, 0, 0, 1503, 1, 99, 0,  0, 13, 0, 0,     0, 0,   0,   0,   0, 0},
    Decoded{"v1_6_3",   &kDevice_1_6_3,   0x01060300, 0x00001000, 4, 6, 0, 0, 4, 0, 1603, 2, 99, 0,  0, 13, 0, 0,     0, 0,   0,   0,   0, 0},
    Decoded{"v1_7_0",   &kDevice_1_7_0,   0x01070000, 0x00001000, 4, 6, 0, 0, 2, 0, 1700, 2, 99, 0,  0, 13, 0, 0,     0, 0,   0,   0,   0, 0},
    Decoded{"v1_8_1",   &kDevice_1_8_1,   0x01080100, 0x00001001, 4, 6, 0, 0, 2, 0, 1801, 2, 99, 12, 2, 13, 0, 0,     0, 0,   0,   0,   0, 0},
    Decoded{"v1_9_0",   &kDevice_1_9_0,   0x01090000, 0x00001001, 4, 6, 0, 0, 2, 2, 1900, 2, 2,  12, 2, 13, 0, 0,     0, 0,   0,   0,   0, 0},
    Decoded{"v2_0_20",  &kDevice_2_0_20,  0x02001400, 0x00000000, 4, 12, 0, 0, 0, 0, 2020, 1, 21, 0, 2, 50, 0, 0,     0, 0,   0,   0,   0, 0},
    Decoded{"v2_1_70",  &kDevice_2_1_70,  0x02014600, 0x00002000, 4, 6, 0, 0, 0, 4, 2170, 1, 21, 0,  2, 50, 4, 0x0102, 0, 0,   0,   0,   0, 0},
    Decoded{"v2_1_100", &kDevice_2_1_100, 0x02016400, 0x00006000, 4, 16, 0, 0, 0, 0, 21100, 1, 51, 0, 2, 50, 4, 0x0102, 2, 64,  600, 768, 0, 0},
    Decoded{"v2_1_150", &kDevice_2_1_150, 0x02019600, 0x02006000, 4, 16, 0, 0, 0, 0, 21150, 1, 51, 0, 2, 50, 4, 0x0102, 0, 128, 600, 768, 4, 0x0E},
    Decoded{"v2_2_1",   &kDevice_2_2_1,   0x02020100, 0x00002000, 4, 20, 0, 0, 0, 0, 2201, 1, 21, 0, 2, 50, 0, 0,      0, 0,   0,   0,   0, 0}),
    [](const testing::TestParamInfo<Decoded>& info) { return std::string(info.param.name); });
// clang-format on

TEST(DeviceInfoRecord, HardwareIdOfTheOldestBandIsStoredGroupByGroupBackwards)
{
  TRegInfo info;
  info.ReadDeviceInfoRecord(kDevice_1_4_2);
  EXPECT_EQ(info.HardwareId[0], 0xA0);
  EXPECT_EQ(info.HardwareId[3], 0xA3);
  EXPECT_EQ(info.HardwareId[15], 0xAF);
  info.ReadDeviceInfoRecord(kDevice_1_5_3);
  EXPECT_EQ(info.HardwareId[0], 0xA0);
  EXPECT_EQ(info.HardwareId[4], 0xA4);
}

// --- Accepted and refused records, band by band ---

enum class Outcome { Accepted, Invalid, TooOld, TooNew };

struct RecordCase {
  const char* name;
  const std::vector<std::uint8_t>* base;
  std::size_t size;                                   // 0: as the base
  std::uint32_t sw;                                   // 0: as the base
  std::vector<std::pair<std::size_t, std::uint8_t>> patches;
  Outcome outcome;
  std::uint32_t number;                               // check number, or the version word named
};

std::vector<std::uint8_t> Build(const RecordCase& c)
{
  std::vector<std::uint8_t> record = *c.base;
  if (c.size) record.resize(c.size, 0);
  if (c.sw && record.size() >= 8) ByteWriter(record).u32(4, c.sw);
  for (auto [offset, value] : c.patches) record.at(offset) = value;
  return record;
}

class DeviceInfoBand : public testing::TestWithParam<RecordCase> {};

TEST_P(DeviceInfoBand, AcceptsOrRefusesWithTheCheckNumber)
{
  const RecordCase& c = GetParam();
  const auto record = Build(c);
  TRegInfo info;
  auto decode = [&] { info.ReadDeviceInfoRecord(record); };
  switch (c.outcome) {
  case Outcome::Accepted: EXPECT_NO_THROW(decode()); break;
  case Outcome::Invalid: EXPECT_EQ(CheckOf(decode), static_cast<long>(c.number)); break;
  case Outcome::TooOld: EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>(decode), c.number); break;
  case Outcome::TooNew: {
    try {
      decode();
      ADD_FAILURE() << "accepted";
    } catch (const EVantorUnsupportedNewVer& e) {
      EXPECT_EQ(e.Version(), c.sw);
      // The message names the newest version this release knows.
      const std::string newest = VersionToText(c.number).substr(0, VersionToText(c.number).rfind('.'));
      EXPECT_NE(e.Message().find("до " + newest + " включительно"), std::string::npos) << e.Message();
    }
    break;
  }
  }
}

constexpr auto A = Outcome::Accepted;
constexpr auto I = Outcome::Invalid;

// clang-format off
INSTANTIATE_TEST_SUITE_P(FirstLine, DeviceInfoBand, testing::Values(
    RecordCase{"short_of_12",          &kDevice_1_4_2, 11, 0, {}, I, 4154},
    RecordCase{"below_1_3",            &kDevice_1_4_2, 0, 0x0102FFFF, {}, Outcome::TooOld, 0x0102FFFF},
    RecordCase{"v1_4_2_34_bytes",      &kDevice_1_4_2, 0, 0, {}, A, 0},
    RecordCase{"v1_4_2_35_bytes",      &kDevice_1_4_2, 35, 0, {}, I, 4176},
    RecordCase{"v1_3_0_33_bytes",      &kDevice_1_4_2, 33, 0x01030000, {}, I, 4176},
    RecordCase{"v1_4_pages_5",         &kDevice_1_4_2, 0, 0, {{12, 5}}, I, 4200},
    RecordCase{"v1_4_page_channels_7", &kDevice_1_4_2, 0, 0, {{13, 7}}, I, 4204},
    RecordCase{"v1_4_pages_0",         &kDevice_1_4_2, 0, 0, {{12, 0}}, I, 4249},
    RecordCase{"v1_5_41_bytes",        &kDevice_1_5_3, 41, 0, {}, A, 0},
    RecordCase{"v1_5_39_bytes",        &kDevice_1_5_3, 39, 0, {}, I, 4257},
    RecordCase{"v1_5_pages_5",         &kDevice_1_5_3, 0, 0, {{16, 5}}, I, 4266},
    RecordCase{"v1_5_page_channels_7", &kDevice_1_5_3, 0, 0, {{17, 7}}, I, 4270},
    RecordCase{"v1_5_totalizers_5",    &kDevice_1_5_3, 0, 0, {{18, 5}}, I, 4278},
    RecordCase{"v1_5_counters_5",      &kDevice_1_5_3, 0, 0, {{19, 5}}, I, 4282},
    RecordCase{"v1_5_page_channels_0", &kDevice_1_5_3, 0, 0, {{17, 0}}, I, 4301},
    RecordCase{"v1_6_45_bytes",        &kDevice_1_6_3, 45, 0, {}, A, 0},
    RecordCase{"v1_6_43_bytes",        &kDevice_1_6_3, 43, 0, {}, I, 4309},
    RecordCase{"v1_6_pages_5",         &kDevice_1_6_3, 0, 0, {{16, 5}}, I, 4318},
    RecordCase{"v1_6_counters_5",      &kDevice_1_6_3, 0, 0, {{19, 5}}, I, 4334},
    RecordCase{"v1_6_timers_9",        &kDevice_1_6_3, 0, 0, {{20, 9}}, I, 4341},
    RecordCase{"v1_6_pages_0",         &kDevice_1_6_3, 0, 0, {{16, 0}}, I, 4383},
    RecordCase{"v1_7_0_45_bytes",      &kDevice_1_7_0, 45, 0, {}, A, 0},
    RecordCase{"v1_7_43_bytes",        &kDevice_1_7_0, 43, 0, {}, I, 4391},
    RecordCase{"v1_7_page_channels_7", &kDevice_1_7_0, 0, 0, {{17, 7}}, I, 4404},
    RecordCase{"v1_7_timers_9",        &kDevice_1_7_0, 0, 0, {{20, 9}}, I, 4423},
    RecordCase{"v1_7_page_channels_0", &kDevice_1_7_0, 0, 0, {{17, 0}}, I, 4453},
    RecordCase{"v1_8_1_44_bytes",      &kDevice_1_8_1, 0, 0, {}, A, 0},
    RecordCase{"v1_8_1_45_bytes",      &kDevice_1_8_1, 45, 0, {}, I, 4461},
    RecordCase{"v1_8_totalizers_5",    &kDevice_1_8_1, 0, 0, {{18, 5}}, I, 4482},
    RecordCase{"v1_8_timers_9",        &kDevice_1_8_1, 0, 0, {{20, 9}}, I, 4493},
    RecordCase{"v1_8_pages_0",         &kDevice_1_8_1, 0, 0, {{16, 0}}, I, 4530},
    RecordCase{"v1_9_43_bytes",        &kDevice_1_9_0, 43, 0, {}, I, 4538},
    RecordCase{"v1_9_pages_5",         &kDevice_1_9_0, 0, 0, {{16, 5}}, I, 4547},
    RecordCase{"v1_9_timers_9",        &kDevice_1_9_0, 0, 0, {{20, 9}}, I, 4568},
    RecordCase{"v1_9_schedule_13",     &kDevice_1_9_0, 0, 0, {{21, 13}}, I, 4600},
    RecordCase{"v1_9_model_0",         &kDevice_1_9_0, 0, 0, {{22, 0}}, I, 4613},
    RecordCase{"v1_9_model_8",         &kDevice_1_9_0, 0, 0, {{22, 8}}, I, 4613},
    RecordCase{"v1_9_ttl_5",           &kDevice_1_9_0, 0, 0, {{23, 5}}, I, 4618},
    RecordCase{"v1_9_page_channels_0", &kDevice_1_9_0, 0, 0, {{17, 0}}, I, 4625},
    RecordCase{"v1_10_20_255",         &kDevice_1_9_0, 0, 0x010A14FF, {}, A, 0},
    RecordCase{"v1_10_21_0",           &kDevice_1_9_0, 0, 0x010A1500, {}, Outcome::TooNew, 0x010A14FF},
    RecordCase{"v1_255",               &kDevice_1_9_0, 0, 0x01FF0000, {}, Outcome::TooNew, 0x010A14FF}),
    [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(SecondLine, DeviceInfoBand, testing::Values(
    RecordCase{"v2_0_27_bytes",          &kDevice_2_0_20, 27, 0, {}, I, 4637},
    RecordCase{"v2_0_29_bytes",          &kDevice_2_0_20, 29, 0, {}, A, 0},
    RecordCase{"v2_0_pages_9",           &kDevice_2_0_20, 0, 0, {{16, 9}}, I, 4652},
    RecordCase{"v2_0_page_channels_0",   &kDevice_2_0_20, 0, 0, {{17, 0}}, I, 4657},
    RecordCase{"v2_0_page_channels_13",  &kDevice_2_0_20, 0, 0, {{17, 13}}, I, 4657},
    RecordCase{"v2_0_totalizers_5",      &kDevice_2_0_20, 0, 0, {{18, 5}}, I, 4670},
    RecordCase{"v2_0_counters_5",        &kDevice_2_0_20, 0, 0, {{19, 5}}, I, 4674},
    RecordCase{"v2_0_timers_9",          &kDevice_2_0_20, 0, 0, {{20, 9}}, I, 4681},
    RecordCase{"v2_1_24_28_bytes",       &kDevice_2_0_20, 0, MakeVersion(2, 1, 24, 255), {}, A, 0},
    RecordCase{"v2_1_25_28_bytes",       &kDevice_2_0_20, 0, MakeVersion(2, 1, 25), {}, I, 4707},
    RecordCase{"v2_1_70_31_bytes",       &kDevice_2_1_70, 31, 0, {}, I, 4707},
    RecordCase{"v2_1_70_pages_9",        &kDevice_2_1_70, 0, 0, {{16, 9}}, I, 4722},
    RecordCase{"v2_1_70_page_channels_0", &kDevice_2_1_70, 0, 0, {{17, 0}}, I, 4726},
    RecordCase{"v2_1_89_page_channels_12", &kDevice_2_1_70, 0, MakeVersion(2, 1, 89), {{17, 12}}, A, 0},
    RecordCase{"v2_1_89_page_channels_13", &kDevice_2_1_70, 0, MakeVersion(2, 1, 89), {{17, 13}}, I, 4730},
    RecordCase{"v2_1_90_page_channels_16", &kDevice_2_1_70, 0, MakeVersion(2, 1, 90), {{17, 16}}, A, 0},
    RecordCase{"v2_1_90_page_channels_17", &kDevice_2_1_70, 0, MakeVersion(2, 1, 90), {{17, 17}}, I, 4740},
    RecordCase{"v2_2_3_255_page_channels_20", &kDevice_2_2_1, 0, 0x020203FF, {}, A, 0},
    RecordCase{"v2_2_1_page_channels_21", &kDevice_2_2_1, 0, 0, {{17, 21}}, I, 4735},
    RecordCase{"v2_1_70_totalizers_5",   &kDevice_2_1_70, 0, 0, {{18, 5}}, I, 4757},
    RecordCase{"v2_1_70_counters_5",     &kDevice_2_1_70, 0, 0, {{19, 5}}, I, 4761},
    RecordCase{"v2_1_70_ttl_17",         &kDevice_2_1_70, 0, 0, {{28, 17}}, I, 4765},
    RecordCase{"v2_1_70_timers_9",       &kDevice_2_1_70, 0, 0, {{20, 9}}, I, 4770},
    RecordCase{"v2_1_70_tag_fields_3",   &kDevice_2_1_70, 0, 0, {{29, 3}}, I, 4777},
    RecordCase{"v2_1_52_tag_fields_3",   &kDevice_2_1_70, 0, MakeVersion(2, 1, 52), {{29, 3}}, A, 0},
    RecordCase{"v2_1_70_tags_3_no_bit_13", &kDevice_2_1_70, 0, 0, {{9, 0}, {29, 3}}, A, 0},
    RecordCase{"v2_2_1_tag_fields_3",    &kDevice_2_2_1, 0, 0, {{29, 3}}, A, 0},
    RecordCase{"v2_1_100_43_bytes",      &kDevice_2_1_100, 43, 0, {}, I, 4836},
    RecordCase{"v2_1_100_45_bytes",      &kDevice_2_1_100, 45, 0, {}, I, 4836},
    RecordCase{"v2_1_149_64_bytes",      &kDevice_2_1_100, 64, MakeVersion(2, 1, 149, 255), {}, I, 4836},
    RecordCase{"v2_1_100_model_52",      &kDevice_2_1_100, 0, 0, {{32, 52}}, I, 4850},
    RecordCase{"v2_1_100_model_22",      &kDevice_2_1_100, 0, 0, {{32, 22}}, I, 4855},
    RecordCase{"v2_1_100_model_0",       &kDevice_2_1_100, 0, 0, {{32, 0}}, I, 4855},
    RecordCase{"v2_1_100_model_21",      &kDevice_2_1_100, 0, 0, {{32, 21}}, A, 0},
    RecordCase{"v2_1_100_pages_9",       &kDevice_2_1_100, 0, 0, {{16, 9}}, I, 4863},
    RecordCase{"v2_1_100_page_channels_0", &kDevice_2_1_100, 0, 0, {{17, 0}}, I, 4867},
    RecordCase{"v2_1_100_page_channels_20", &kDevice_2_1_100, 0, 0, {{17, 20}}, A, 0},
    RecordCase{"v2_1_100_page_channels_21", &kDevice_2_1_100, 0, 0, {{17, 21}}, I, 4876},
    RecordCase{"v2_1_100_totalizers_5",  &kDevice_2_1_100, 0, 0, {{18, 5}}, I, 4891},
    RecordCase{"v2_1_100_counters_5",    &kDevice_2_1_100, 0, 0, {{19, 5}}, I, 4895},
    RecordCase{"v2_1_100_ttl_17",        &kDevice_2_1_100, 0, 0, {{28, 17}}, I, 4899},
    RecordCase{"v2_1_100_timers_9",      &kDevice_2_1_100, 0, 0, {{20, 9}}, I, 4904},
    RecordCase{"v2_1_100_tag_fields_5",  &kDevice_2_1_100, 0, 0, {{29, 5}}, I, 4911},
    RecordCase{"v2_1_150_44_bytes",      &kDevice_2_1_150, 44, 0, {}, A, 0},
    RecordCase{"v2_1_150_45_bytes",      &kDevice_2_1_150, 45, 0, {}, I, 5013},
    RecordCase{"v2_1_150_63_bytes",      &kDevice_2_1_150, 63, 0, {}, I, 5013},
    RecordCase{"v2_1_160_255_64_bytes",  &kDevice_2_1_150, 0, 0x0201A0FF, {}, A, 0},
    RecordCase{"v2_1_150_model_52",      &kDevice_2_1_150, 0, 0, {{32, 52}}, I, 5032},
    RecordCase{"v2_1_150_model_49",      &kDevice_2_1_150, 0, 0, {{32, 49}}, I, 5037},
    RecordCase{"v2_1_150_pages_9",       &kDevice_2_1_150, 0, 0, {{16, 9}}, I, 5045},
    RecordCase{"v2_1_150_page_channels_0", &kDevice_2_1_150, 0, 0, {{17, 0}}, I, 5049},
    RecordCase{"v2_1_150_page_channels_21", &kDevice_2_1_150, 0, 0, {{17, 21}}, I, 5058},
    RecordCase{"v2_1_150_totalizers_5",  &kDevice_2_1_150, 0, 0, {{18, 5}}, I, 5073},
    RecordCase{"v2_1_150_counters_5",    &kDevice_2_1_150, 0, 0, {{19, 5}}, I, 5077},
    RecordCase{"v2_1_150_ttl_17",        &kDevice_2_1_150, 0, 0, {{28, 17}}, I, 5081},
    RecordCase{"v2_1_150_timers_9",      &kDevice_2_1_150, 0, 0, {{20, 9}}, I, 5086},
    RecordCase{"v2_1_150_regulators_17", &kDevice_2_1_150, 0, 0, {{44, 17}}, I, 5093},
    RecordCase{"v2_1_150_regulators_17_no_bit_25", &kDevice_2_1_150, 0, 0, {{11, 0}, {44, 17}}, A, 0},
    RecordCase{"v2_1_150_tag_fields_0",  &kDevice_2_1_150, 0, 0, {{29, 0}}, I, 5102},
    RecordCase{"v2_1_161_0",             &kDevice_2_1_150, 0, MakeVersion(2, 1, 161), {}, Outcome::TooNew, 0x0201A0FF},
    RecordCase{"v2_2_4_0",               &kDevice_2_2_1, 0, MakeVersion(2, 2, 4), {}, Outcome::TooNew, 0x0201A0FF},
    RecordCase{"v3_0",                   &kDevice_2_2_1, 0, MakeVersion(3, 0, 0), {}, Outcome::TooNew, 0x0201A0FF}),
    [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });
// clang-format on

// --- Rules beyond the columns ---

std::vector<std::uint8_t> WithVersionAndFeatures(std::vector<std::uint8_t> record, std::uint32_t sw, std::uint32_t features)
{
  ByteWriter w(record);
  w.u32(4, sw);
  w.u32(8, features);
  return record;
}

TEST(DeviceInfoRecord, DeviceLineOfTheFirstLineFollowsFeatureBits11And12)
{
  struct Case {
    std::uint32_t sw, features;
    std::uint8_t line;
  } cases[] = {
      {MakeVersion(1, 6, 2), 0, 1},          {MakeVersion(1, 6, 3), 0, 2},        {MakeVersion(1, 6, 0), 1u << 11, 1},
      {MakeVersion(1, 6, 0), 1u << 12, 2},   {MakeVersion(1, 8, 1), 1u << 11, 1}, {MakeVersion(1, 9, 0), 1u << 11, 1},
      {MakeVersion(1, 10, 20), 1u << 11 | 1u << 12, 1}, {MakeVersion(1, 10, 0), 0, 2}, {MakeVersion(1, 7, 0), 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.sw));
    TRegInfo info;
    const auto& base = c.sw >= MakeVersion(1, 9, 0) ? vectors::kDevice_1_9_0 : vectors::kDevice_1_8_1;
    info.ReadDeviceInfoRecord(WithVersionAndFeatures(base, c.sw, c.features));
    EXPECT_EQ(info.DeviceLine, c.line);
  }
}

TEST(DeviceInfoRecord, PortsOfTheLate1xRecordsAreTheClearBits4And5)
{
  for (auto [features, ports] : {std::pair{0u, 2u}, {1u << 4, 1u}, {1u << 5, 1u}, {3u << 4, 0u}}) {
    TRegInfo info;
    info.ReadDeviceInfoRecord(WithVersionAndFeatures(vectors::kDevice_1_9_0, MakeVersion(1, 9, 0), features));
    EXPECT_EQ(info.RS485Count, ports) << features;
  }
}

TEST(DeviceInfoRecord, TwoModel51DevicesOfTheFirstLineGainFeatureBit20)
{
  struct Case {
    std::uint32_t serial;
    std::uint8_t line;
    bool bit20;
  } cases[] = {{7636, 0, true}, {7638, 2, true}, {7636, 1, false}, {7637, 0, false}};
  for (const auto& c : cases) {
    auto record = WithVersionAndFeatures(vectors::kDevice_2_1_100, MakeVersion(2, 1, 120), 0);
    ByteWriter(record).u32(24, c.serial);
    record[23] = c.line;
    TRegInfo info;
    info.ReadDeviceInfoRecord(record);
    EXPECT_EQ((info.Features >> 20) & 1u, c.bit20 ? 1u : 0u) << c.serial << " line " << int(c.line);
  }
}

TEST(DeviceInfoRecord, MnemonicCapacityAndScreenByVersion)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::size_t size;
    std::uint8_t model;
    std::uint32_t features;
    std::uint32_t capacity, width, height;
  } cases[] = {
      {"2.1.100 bit 14", MakeVersion(2, 1, 100), 44, 51, 1u << 14, 64, 600, 768},
      {"2.1.126", MakeVersion(2, 1, 126), 44, 21, 1u << 14, 128, 800, 568},
      {"2.1.128 takes byte 41", MakeVersion(2, 1, 128), 44, 50, 1u << 14, 0x80, 800, 568},
      {"2.1.100 without bit 14", MakeVersion(2, 1, 100), 44, 51, 0, 0, 0, 0},
      {"2.1.157 model 51", MakeVersion(2, 1, 157), 64, 51, 1u << 14, 0x80, 600, 768},
      {"2.1.158 takes bytes 46 and 48", MakeVersion(2, 1, 158), 64, 21, 1u << 14, 0x80, 600, 768},
      {"2.1.158 short record: by model", MakeVersion(2, 1, 158), 44, 21, 1u << 14, 0x80, 800, 568},
      {"2.1.150 without bit 14", MakeVersion(2, 1, 150), 64, 51, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto record = vectors::kDevice_2_1_150;
    record.resize(c.size);
    record = WithVersionAndFeatures(record, c.sw, c.features);
    record[32] = c.model;
    record[29] = 0;
    TRegInfo info;
    info.ScreenWidth = 1;  // below 2.1.150 a device without bit 14 keeps its screen size
    info.ReadDeviceInfoRecord(record);
    EXPECT_EQ(info.MSCapacity, c.capacity);
    if (c.features || c.sw >= MakeVersion(2, 1, 150)) {
      EXPECT_EQ(info.ScreenWidth, c.width);
      EXPECT_EQ(info.ScreenHeight, c.height);
    } else {
      EXPECT_EQ(info.ScreenWidth, 1u);
    }
  }
}

TEST(DeviceInfoRecord, ShortRecordOf2_1_150ReadsNothingPastItsEnd)
{
  auto record = vectors::kDevice_2_1_150;
  record.resize(44);
  ByteWriter(record).u32(4, MakeVersion(2, 1, 158));
  TRegInfo info;
  info.CtlCount = 9;
  info.InterfaceMask = 9;
  info.ReadDeviceInfoRecord(record);
  EXPECT_EQ(info.CtlCount, 0u);  // feature bit 25 is set, but byte 44 is not there
  EXPECT_EQ(info.InterfaceMask, 0);
  EXPECT_EQ(info.ScreenWidth, 600u);
  EXPECT_EQ(info.ScreenHeight, 768u);
}

TEST(DeviceInfoRecord, MnemonicDefaultsOfThe32ByteLayoutFrom2_1_91OutsideTheBranch)
{
  struct Case {
    std::uint32_t sw;
    bool set;
  } cases[] = {{MakeVersion(2, 1, 90), false}, {MakeVersion(2, 1, 91), true}, {MakeVersion(2, 2, 1), false}};
  for (const auto& c : cases) {
    TRegInfo info;
    info.ModelCode = 21;
    info.MSAuxWord = 7;
    info.ReadDeviceInfoRecord(WithVersionAndFeatures(vectors::kDevice_2_1_70, c.sw, 1u << 14));
    EXPECT_EQ(info.MSCapacity, c.set ? 64u : 0u) << VersionToText(c.sw);
    EXPECT_EQ(info.MSAuxWord, c.set ? 0u : 7u);
    EXPECT_EQ(info.ScreenWidth, c.set ? 800u : 0u);
  }
}

TEST(DeviceInfoRecord, OldestBandTakesModel1FromAnEarlierGeneralRecord)
{
  TRegInfo info;
  info.PhysAICount = 8;
  info.DOCount = 16;
  info.ReadDeviceInfoRecord(vectors::kDevice_1_4_2);
  EXPECT_EQ(info.ModelCode, 1u);
  EXPECT_EQ(info.GenModelCode, 1u);
  TRegInfo other;
  other.PhysAICount = 16;
  other.DOCount = 8;
  other.ReadDeviceInfoRecord(vectors::kDevice_1_4_2);
  EXPECT_EQ(other.ModelCode, 0u);
}

TEST(DeviceInfoRecord, FirmwareWordIsKeptWhenALaterCheckFails)
{
  auto record = vectors::kDevice_2_1_100;
  record.resize(30);
  TRegInfo info;
  EXPECT_EQ(CheckOf([&] { info.ReadDeviceInfoRecord(record); }), 4836);
  EXPECT_EQ(info.SwVersion, 0x02016400u);
}

}  // namespace
