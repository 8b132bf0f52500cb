#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "ConfigTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

// Records come from vectors/general.py (general.txt); the fields expected of them are the
// values that script encoded.

namespace {

static_assert(!std::is_copy_constructible_v<TRegConfig> && !std::is_move_constructible_v<TRegConfig> &&
              !std::is_copy_assignable_v<TRegConfig> && !std::is_move_assignable_v<TRegConfig>);

constexpr unsigned kFeatureSchedule = 0;
constexpr unsigned kFeatureMnemonicScheme = 14;
constexpr unsigned kFeatureUserTables = 19;
constexpr unsigned kFeatureSelector3 = 22;

struct GeneralVector {
  const char* name;
  std::uint32_t version;
  std::uint32_t size;
  std::uint8_t selector0, selector1;
  bool switch2;
  const char* name_;
  std::uint8_t selector3, selector32;
  int tenthsA, tenthsB, tenthsC;
};

class GeneralRecordVector : public testing::TestWithParam<GeneralVector> {};

TEST_P(GeneralRecordVector, DecodesTheFieldsAndWritesTheSameBytes)
{
  const GeneralVector& v = GetParam();
  const auto& record = RecordVector("general", v.name);
  ConfigFixture device(v.version);
  device.config.RegInfo.Features = 1u << kFeatureSelector3;
  TRegConfig& config = device.config;
  EXPECT_EQ(config.ReadGeneralRecord(record), v.size);
  EXPECT_EQ(config.Selector0, v.selector0);
  EXPECT_EQ(config.Selector1, v.selector1);
  EXPECT_EQ(config.Switch2, v.switch2);
  EXPECT_EQ(config.Name, v.name_);
  EXPECT_EQ(config.Selector3, v.selector3);
  EXPECT_EQ(config.Selector32, v.selector32);
  EXPECT_EQ(config.TenthsA.GetMantissa(), v.tenthsA);
  EXPECT_EQ(config.TenthsB.GetMantissa(), v.tenthsB);
  EXPECT_EQ(config.TenthsC.GetMantissa(), v.tenthsC);

  std::vector<std::uint8_t> written;
  EXPECT_EQ(config.WriteGeneralRecord(v.version, written), record.size());
  EXPECT_EQ(written, record);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Bands, GeneralRecordVector, testing::Values(
    //           name               version                size s0    s1    sw     name                        s3 s32   tA  tB   tC
    GeneralVector{"v1_4_2",          MakeVersion(1, 4, 2),   3,  1,    7,    true,  "",                         0, 0,    0,  0,   1},
    GeneralVector{"v1_5_3",          MakeVersion(1, 5, 3),   4,  0,    5,    false, "",                         0, 0,    0,  0,   1},
    GeneralVector{"v1_7_0",          MakeVersion(1, 7, 0),   28, 1,    2,    true,  "Котельная №3 ввод А-2017", 0, 0,    0,  0,   1},
    GeneralVector{"v1_8_1",          MakeVersion(1, 8, 1),   4,  2,    0,    true,  "",                         0, 0,    0,  0,   1},
    GeneralVector{"v1_9_0",          MakeVersion(1, 9, 0),   28, 1,    3,    false, "Печь 2",                   0, 0,    0,  0,   1},
    GeneralVector{"v2_0_20",         MakeVersion(2, 0, 20),  28, 8,    7,    true,  "Насосная станция №1 ПЛК",  0, 0,    0,  0,   1},
    GeneralVector{"v2_1_150",        MakeVersion(2, 1, 150), 36, 5,    6,    true,  "Линия розлива",            1, 0x5A, 25, 250, 3},
    GeneralVector{"v2_2_1",          MakeVersion(2, 2, 1),   36, 3,    1,    false, "Ветка",                    1, 0,    0,  7,   1},
    GeneralVector{"v2_1_150_signed", MakeVersion(2, 1, 150), 36, 0x90, 0xF0, false, "x",                        0, 0,    0,  0,   1},
    GeneralVector{"v2_0_20_byte98",  MakeVersion(2, 0, 20),  28, 0,    0,    false, "\xC2\x98\xD0\x90\xC2\x98", 0, 0,    0,  0,   1}),
    [](const testing::TestParamInfo<GeneralVector>& info) { return std::string(info.param.name); });
// clang-format on

TEST(GeneralRecord, ChecksOfEveryBand)
{
  auto with = [](std::vector<std::uint8_t> record, std::size_t offset, std::uint8_t value) {
    record[offset] = value;
    return record;
  };
  auto shorter = [](const std::vector<std::uint8_t>& record) {
    return std::vector<std::uint8_t>(record.begin(), record.end() - 1);
  };
  const auto& r14 = RecordVector("general", "v1_4_2");
  const auto& r15 = RecordVector("general", "v1_5_3");
  const auto& r17 = RecordVector("general", "v1_7_0");
  const auto& r18 = RecordVector("general", "v1_8_1");
  const auto& r19 = RecordVector("general", "v1_9_0");
  const auto& r20 = RecordVector("general", "v2_0_20");
  const auto& r21 = RecordVector("general", "v2_1_150");
  const struct {
    const char* name;
    std::uint32_t version;
    std::vector<std::uint8_t> record;
    long check;
  } cases[] = {
      {"1.4 short", MakeVersion(1, 4, 2), shorter(r14), 16208},
      {"1.4 selector 0", MakeVersion(1, 4, 2), with(r14, 0, 2), 16213},
      {"1.4 selector 1", MakeVersion(1, 4, 2), with(r14, 1, 8), 16215},
      {"1.5 short", MakeVersion(1, 5, 3), shorter(r15), 16235},
      {"1.5 selector 0", MakeVersion(1, 5, 3), with(r15, 0, 2), 16240},
      {"1.5 selector 1", MakeVersion(1, 5, 3), with(r15, 1, 8), 16242},
      {"1.7 short", MakeVersion(1, 7, 0), shorter(r17), 16261},
      {"1.7 selector 0", MakeVersion(1, 7, 0), with(r17, 0, 2), 16266},
      {"1.7 selector 1", MakeVersion(1, 7, 0), with(r17, 1, 8), 16268},
      {"1.8 short", MakeVersion(1, 8, 1), shorter(r18), 16287},
      {"1.8 selector 0 of 2 passes", MakeVersion(1, 8, 1), with(r18, 0, 2), 0},
      {"1.8 selector 0", MakeVersion(1, 8, 1), with(r18, 0, 3), 16292},
      {"1.8 selector 1", MakeVersion(1, 8, 1), with(r18, 1, 8), 16294},
      {"1.9 short", MakeVersion(1, 9, 0), shorter(r19), 16313},
      {"1.9 selector 0 resets", MakeVersion(1, 9, 0), with(r19, 0, 5), 0},
      {"1.9 selector 1", MakeVersion(1, 9, 0), with(r19, 1, 8), 16328},
      {"2.0 short", MakeVersion(2, 0, 20), shorter(r20), 16350},
      {"2.0 selector 0", MakeVersion(2, 0, 20), with(r20, 0, 9), 16355},
      {"2.0 selector 1", MakeVersion(2, 0, 20), with(r20, 1, 8), 16357},
      {"2.1 short (35 bytes)", MakeVersion(2, 1, 50), shorter(r21), 16376},
      {"2.1 selector 0 of 9", MakeVersion(2, 1, 50), with(r21, 0, 9), 16381},
      {"2.1 selector 1", MakeVersion(2, 1, 50), with(r21, 1, 8), 16383},
      {"2.1 selector 0 of 0x90 (signed)", MakeVersion(2, 1, 50), with(r21, 0, 0x90), 0},
      {"2.1 selector 1 of 0xF0 (signed)", MakeVersion(2, 1, 50), with(r21, 1, 0xF0), 0},
      {"2.1 a longer record is read", MakeVersion(2, 1, 50), [&] {
         auto r = r21;
         r.push_back(1);
         return r;
       }(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigFixture device(c.version);
    EXPECT_EQ(CheckOf([&] { device.config.ReadGeneralRecord(c.record); }), c.check);
  }
}

TEST(GeneralRecord, NothingIsStoredUnlessTheChecksPass)
{
  ConfigFixture device(MakeVersion(2, 1, 50));
  auto record = RecordVector("general", "v2_1_150");
  record[1] = 8;
  EXPECT_EQ(CheckOf([&] { device.config.ReadGeneralRecord(record); }), 16383);
  EXPECT_EQ(device.config.Selector0, 2);
  EXPECT_EQ(device.config.Name, "");

  // The 1.9 band stores Selector0 (reset) before it checks Selector1.
  ConfigFixture old(MakeVersion(1, 9, 0));
  auto r19 = RecordVector("general", "v1_9_0");
  r19[0] = 5;
  r19[1] = 9;
  EXPECT_EQ(CheckOf([&] { old.config.ReadGeneralRecord(r19); }), 16328);
  EXPECT_EQ(old.config.Selector0, 0);
}

TEST(GeneralRecord, Selector3AndSelector32ByDevice)
{
  const struct {
    const char* name;
    std::uint32_t version;
    bool bit22;
    std::uint8_t byte3, byte32;
    std::uint8_t selector3, selector32;
  } cases[] = {
      {"byte 3 = 2 clamps to 0", MakeVersion(2, 1, 150), true, 2, 0, 0, 0},
      {"byte 3 without bit 22", MakeVersion(2, 1, 150), false, 1, 0, 0, 0},
      {"byte 32 on 2.1.129", MakeVersion(2, 1, 129), true, 0, 7, 0, 0},
      {"byte 32 on 2.1.130", MakeVersion(2, 1, 130), true, 0, 7, 0, 7},
      {"byte 32 on the branch", MakeVersion(2, 2, 1), true, 0, 7, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigFixture device(c.version);
    device.config.RegInfo.Features = c.bit22 ? 1u << kFeatureSelector3 : 0;
    auto record = RecordVector("general", "v2_1_150");
    record[3] = c.byte3;
    record[32] = c.byte32;
    device.config.ReadGeneralRecord(record);
    EXPECT_EQ(device.config.Selector3, c.selector3);
    EXPECT_EQ(device.config.Selector32, c.selector32);
  }
}

TEST(GeneralRecord, WritingByTarget)
{
  TRegConfig config;
  config.Selector32 = 0x33;
  std::vector<std::uint8_t> out;
  const struct {
    std::uint32_t target;
    std::uint8_t byte32;
  } cases[] = {{MakeVersion(2, 1, 119), 0}, {MakeVersion(2, 1, 120), 0x33}, {MakeVersion(2, 2, 1), 0x33}};
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.target));
    out.clear();
    ASSERT_EQ(config.WriteGeneralRecord(c.target, out), 36u);
    EXPECT_EQ(out[32], c.byte32);
  }
  out.clear();
  EXPECT_EQ(config.WriteGeneralRecord(MakeVersion(1, 2, 0), out), 0u);
  EXPECT_TRUE(out.empty());
  EXPECT_THROW_MSG(config.WriteGeneralRecord(MakeVersion(1, 10, 21), out), EVantorUnsupportedNewVer,
                   EVantorUnsupportedNewVer(MakeVersion(1, 10, 21), kFirstLineUpTo).Message());
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { config.WriteGeneralRecord(MakeVersion(2, 1, 161), out); }),
            MakeVersion(2, 1, 161));
}

TEST(GeneralRecord, ReservedBytesOfTheLongFormAreWrittenZero)
{
  // The prescribed normalisation of a round trip: bytes 31 and 33-35 carry nothing.
  ConfigFixture device(MakeVersion(2, 1, 150));
  device.config.RegInfo.Features = 1u << kFeatureSelector3;
  auto record = RecordVector("general", "v2_1_150");
  record[31] = record[33] = record[34] = record[35] = 0xA5;
  device.config.ReadGeneralRecord(record);
  std::vector<std::uint8_t> written;
  device.config.WriteGeneralRecord(MakeVersion(2, 1, 150), written);
  EXPECT_EQ(written, RecordVector("general", "v2_1_150"));
}

TEST(GeneralRecord, OutsideTheBandsIsRefused)
{
  ConfigFixture old(MakeVersion(1, 2, 9));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { old.config.ReadGeneralRecord(std::vector<std::uint8_t>(36)); }),
            MakeVersion(1, 2, 9));
  ConfigFixture late(MakeVersion(2, 2, 4));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { late.config.ReadGeneralRecord(std::vector<std::uint8_t>(36)); }),
            MakeVersion(2, 2, 4));
}

TEST(RegConfig, FreshConfiguration)
{
  TRegConfig config;
  EXPECT_EQ(config.Selector0, 2);
  EXPECT_EQ(config.Selector1, 1);
  EXPECT_EQ(config.TenthsC.GetMantissa(), 1);
  EXPECT_EQ(config.Preamble[0], 1);
  EXPECT_TRUE(config.AI.empty());
  EXPECT_TRUE(config.Schedule.empty());
}

// A device with every counted block present.
void SetCounts(TRegInfo& info, std::size_t ai)
{
  info.AIChannels.assign(ai, {});
  info.AOCount = 1;
  info.ExtAOCount = 2;
  info.DIChannels.assign(4, {});
  info.DOCount = 2;
  info.ExtDOCount = 1;
  info.IPCount = 2;
  info.PageCount = 3;
  info.SMCount = 2;
  info.CTCount = 1;
  info.TTLCount = 2;
  info.TMRCount = 3;
  info.CtlCount = 1;
  info.TagFieldCount = 2;
  info.UserTableCount = 4;
}

TEST(RegConfig, ResizeToInfoFitsAndAttachesEveryBlock)
{
  ConfigFixture device(MakeVersion(2, 1, 150));
  TRegConfig& config = device.config;
  config.RegInfo.RtdR0List = {50, 100};
  config.RegInfo.Features = 1u << kFeatureSchedule | 1u << kFeatureMnemonicScheme | 1u << kFeatureUserTables;
  SetCounts(config.RegInfo, 5);
  device.Fit();
  for (std::size_t i = 0; i < 5; ++i) config.AI[i].Name = "AI" + std::to_string(i);

  config.RegInfo.AIChannels.resize(3);
  config.ResizeToInfo();
  ASSERT_EQ(config.AI.size(), 3u);
  EXPECT_EQ(config.AI[2].Name, "AI2") << "items present keep their settings";

  config.RegInfo.AIChannels.resize(7);
  config.ResizeToInfo();
  ASSERT_EQ(config.AI.size(), 7u);
  for (std::size_t i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(config.AI[i].Owner, &config);
    EXPECT_EQ(config.AI[i].Index, static_cast<int>(i));
  }
  EXPECT_EQ(config.AI[1].Name, "AI1");
  EXPECT_EQ(config.AI[5].Name, "");
  EXPECT_EQ(config.AI[5].RtdR0.GetMantissa(), 10000) << "new items are copies of an unattached item";

  EXPECT_EQ(config.AO.size(), 3u);
  EXPECT_EQ(config.AO[2].Index, 2);
  EXPECT_EQ(config.DI.size(), 4u);
  EXPECT_EQ(config.DI[3].Owner, &config);
  EXPECT_EQ(config.DO.size(), 3u);
  EXPECT_EQ(config.DO[2].Index, 2);
  EXPECT_EQ(config.IP.size(), 2u);
  EXPECT_EQ(config.Pages.size(), 3u);
  EXPECT_EQ(config.SM.size(), 2u);
  EXPECT_EQ(config.SM[1].Owner, &config);
  EXPECT_EQ(config.CT[0].Owner, &config);
  EXPECT_EQ(config.TTL[1].Index, 1);
  EXPECT_EQ(config.TMR.size(), 3u);
  EXPECT_EQ(config.Ctl[0].Owner, &config);
  EXPECT_EQ(config.TagFields.size(), 2u);
  EXPECT_EQ(config.Schedule.size(), 12u);
  EXPECT_EQ(config.MS.Pages.size(), 3u);
  EXPECT_EQ(config.UserTables.Tables.size(), 4u);

  config.RegInfo.Features = 0;
  config.ResizeToInfo();
  EXPECT_TRUE(config.Schedule.empty());
  EXPECT_TRUE(config.MS.Pages.empty());
  EXPECT_TRUE(config.UserTables.Tables.empty());
}

TEST(RegConfig, ResizeToInfoDoesNothingWhileTheInformationIsIncomplete)
{
  TRegConfig config;
  SetCounts(config.RegInfo, 5);
  config.RegInfo.Features = 1u << kFeatureSchedule;
  config.ResizeToInfo();
  EXPECT_TRUE(config.AI.empty());
  EXPECT_TRUE(config.Schedule.empty());
}

}  // namespace
