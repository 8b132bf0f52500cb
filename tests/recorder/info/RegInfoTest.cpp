#include <gtest/gtest.h>

#include "InfoTestSupport.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace {

TEST(RegInfo, FreshObjectHasItsDefaults)
{
  TRegInfo info;
  EXPECT_TRUE(info.InfoIncomplete);
  EXPECT_EQ(info.GenValue1, 20.0f);
  EXPECT_EQ(info.GenValue2, 23.0f);
  EXPECT_EQ(info.AORangeLow, 0.0f);
  EXPECT_EQ(info.AORangeDecimals, 3u);
  EXPECT_TRUE(info.AIChannels.empty() && info.AOChannels.empty() && info.DIChannels.empty() &&
              info.DOChannels.empty() && info.IPChannels.empty() && info.AISignalSupport.empty());
  EXPECT_EQ(info.FormatMasks[0], "0.######");
  EXPECT_EQ(info.FormatMasks[3], "0.0#######");
  EXPECT_EQ(info.SerialNumber, 0u);
  EXPECT_EQ(info.DeviceLine, 0);
  EXPECT_EQ(info.ValueLimitEx1.GetMax(), 0);
}

TEST(RegInfo, RecorderTypeCodes)
{
  for (std::uint32_t code : {1u, 8u, 21u, 50u, 51u}) EXPECT_TRUE(IsRecorderTypeCode(code)) << code;
  for (std::uint32_t code : {0u, 9u, 20u, 22u, 49u, 52u, 256u + 21u}) EXPECT_FALSE(IsRecorderTypeCode(code)) << code;
}

// --- Firmware-version predicates across the 2.1/2.2 edges ---

enum Predicate { AtLeast2_1_128_90, AtLeast2_1_130, AtLeast2_1_131, AtLeast2_1_132, AtLeast2_1_158, Window80To100, DOInfo };

struct PredicateCase {
  const char* name;
  Predicate predicate;
  std::uint32_t sw;
  bool expected;
};

bool Evaluate(Predicate predicate, const TRegInfo& info)
{
  switch (predicate) {
  case AtLeast2_1_128_90: return info.IsSwAtLeast2_1_128_90();
  case AtLeast2_1_130: return info.IsSwAtLeast2_1_130();
  case AtLeast2_1_131: return info.IsSwAtLeast2_1_131();
  case AtLeast2_1_132: return info.IsSwAtLeast2_1_132();
  case AtLeast2_1_158: return info.IsSwAtLeast2_1_158();
  case Window80To100: return info.IsSw2_1_80To2_1_100();
  case DOInfo: return info.HasDOInfoRecords();
  }
  return false;
}

class VersionPredicate : public testing::TestWithParam<PredicateCase> {};

TEST_P(VersionPredicate, HoldsInsideItsWindowOnly)
{
  TRegInfo info;
  info.SwVersion = GetParam().sw;
  EXPECT_EQ(Evaluate(GetParam().predicate, info), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, VersionPredicate,
    testing::Values(PredicateCase{"s158_2_1_157_255", AtLeast2_1_158, 0x02019DFF, false},
                    PredicateCase{"s158_2_1_158_0", AtLeast2_1_158, 0x02019E00, true},
                    PredicateCase{"s158_2_1_160_255", AtLeast2_1_158, 0x0201A0FF, true},
                    PredicateCase{"s158_branch_first", AtLeast2_1_158, 0x02020000, false},
                    PredicateCase{"s158_branch_last", AtLeast2_1_158, 0x020203FF, false},
                    PredicateCase{"s158_above_branch", AtLeast2_1_158, 0x02020400, true},
                    PredicateCase{"s131_branch", AtLeast2_1_131, 0x02020100, false},
                    PredicateCase{"s131_above_branch", AtLeast2_1_131, 0x02020400, true},
                    PredicateCase{"s131_2_1_130_255", AtLeast2_1_131, 0x020182FF, false},
                    PredicateCase{"s131_2_1_131_0", AtLeast2_1_131, 0x02018300, true},
                    PredicateCase{"s128_90_below", AtLeast2_1_128_90, 0x02018059, false},
                    PredicateCase{"s128_90_at", AtLeast2_1_128_90, 0x0201805A, true},
                    PredicateCase{"s128_90_branch", AtLeast2_1_128_90, 0x02020300, false},
                    PredicateCase{"s130_at", AtLeast2_1_130, 0x02018200, true},
                    PredicateCase{"s130_branch", AtLeast2_1_130, 0x02020000, false},
                    PredicateCase{"s132_below", AtLeast2_1_132, 0x020183FF, false},
                    PredicateCase{"s132_branch", AtLeast2_1_132, 0x020203FF, false},
                    PredicateCase{"w80_first", Window80To100, 0x02015000, true},
                    PredicateCase{"w80_below", Window80To100, 0x02014FFF, false},
                    PredicateCase{"w80_last", Window80To100, 0x020164FF, true},
                    PredicateCase{"w80_above", Window80To100, 0x02016500, false},
                    PredicateCase{"do_1_10_5_255", DOInfo, 0x010A05FF, false},
                    PredicateCase{"do_1_10_6", DOInfo, 0x010A0600, true},
                    PredicateCase{"do_end_of_first_line", DOInfo, 0x01FFFFFF, true},
                    PredicateCase{"do_2_0", DOInfo, 0x02000000, false},
                    PredicateCase{"do_2_1_53_255", DOInfo, 0x020135FF, false},
                    PredicateCase{"do_2_1_54", DOInfo, 0x02013600, true},
                    PredicateCase{"do_branch", DOInfo, 0x02020000, false},
                    PredicateCase{"do_above_branch", DOInfo, 0x02020400, true}),
    [](const testing::TestParamInfo<PredicateCase>& info) { return std::string(info.param.name); });

TEST(RegInfo, RtdR0ValueVersionsIncludeTheBranch)
{
  struct Case {
    std::uint32_t version;
    bool expected;
  } cases[] = {{0x01060FFF, false}, {0x01061000, true}, {0x0106FFFF, true}, {0x01070FFF, false}, {0x01071000, true},
               {0x01080000, false}, {0x01090000, true}, {0x01FFFFFF, true},  {0x02000000, false}, {0x020131FF, false},
               {0x02013200, true},  {0x02020100, true}};
  for (const auto& c : cases) EXPECT_EQ(TRegInfo::IsRtdR0ValueVersion(c.version), c.expected) << std::hex << c.version;
}

TEST(RegInfo, RtdR0FormLooksAtBothWords)
{
  TRegInfo info;
  info.SwVersion = MakeVersion(2, 1, 50);
  info.GenSwVersion = MakeVersion(1, 6, 0);
  EXPECT_EQ(info.RtdR0Form(), 1u);
  info.GenSwVersion = MakeVersion(2, 1, 60);
  EXPECT_EQ(info.RtdR0Form(), 2u);
  info.SwVersion = MakeVersion(1, 8, 0);
  EXPECT_EQ(info.RtdR0Form(), 0u);
}

TEST(RegInfo, ModbusSlaveIsFeatureBit21AtAnyVersion)
{
  TRegInfo info;
  info.SwVersion = MakeVersion(1, 4, 0);
  EXPECT_FALSE(info.HasModbusSlave());
  info.Features = 1u << 21;
  EXPECT_TRUE(info.HasModbusSlave());
}

// --- Accessors: indexes come from the device and are checked ---

class RegInfoAccessors : public testing::Test {
protected:
  void SetUp() override
  {
    info.AISignalSupport.resize(3);
    info.AISignalSupport[0].SignalCode = 1;
    info.AISignalSupport[1].SignalCode = 6;
    info.AISignalSupport[2].SignalCode = 7;
    info.AIChannels.resize(2);
    auto& ai = info.AIChannels[0];
    ai.SignalCount = 3;
    ai.Signals[0] = 2;
    ai.Signals[1] = 0;
    ai.Signals[2] = 9;  // a position the signal-support list does not have
    info.DIChannels.resize(1);
    info.DIChannels[0].Modes = {0, 1, 5};
  }
  TRegInfo info;
};

TEST_F(RegInfoAccessors, SignalAtFollowsThePositionIntoTheSupportList)
{
  EXPECT_EQ(info.AISignalAt(0, 0), 7);
  EXPECT_EQ(info.AISignalAt(0, 1), 1);
}

TEST_F(RegInfoAccessors, PositionsOutsideTheListsReadAsCodeZero)
{
  EXPECT_EQ(info.AISignalAt(0, 2), 0);   // entry 9 of a 3-entry support list
  EXPECT_EQ(info.AISignalAt(0, 3), 0);   // beyond the channel's 3 signals
  EXPECT_EQ(info.AISignalAt(1, 0), 0);   // a channel with no signals
  EXPECT_EQ(info.DIModeAt(0, 2), 5);
  EXPECT_EQ(info.DIModeAt(0, 3), 0);
}

TEST_F(RegInfoAccessors, ChannelIndexesOutsideTheVectorsAreRefused)
{
  EXPECT_EQ(CheckOf([&] { info.AISignalAt(2, 0); }), 5203);
  EXPECT_EQ(CheckOf([&] { info.DIModeAt(1, 0); }), 5242);
  EXPECT_EQ(CheckOf([&] { info.SignalSupportAt(3); }), 5191);
  EXPECT_EQ(&info.SignalSupportAt(2), &info.AISignalSupport[2]);
}

TEST_F(RegInfoAccessors, SignalSupportLookupsFindTheFirstMatch)
{
  info.AISignalSupport[2].SignalCode = 6;
  EXPECT_EQ(info.IndexOfSignalSupport(6), 1);
  EXPECT_TRUE(info.HasSignalSupport(1));
  EXPECT_FALSE(info.HasSignalSupport(5));
  EXPECT_EQ(info.IndexOfSignalSupport(5), -1);
}

TEST(RegInfo, RtdR0LookupsRefuseAnEmptyListAndUnknownValues)
{
  TRegInfo info;
  fixed::TFixedPrec<int, 0, 0, 1000> r0;
  r0.SetValue(100, 0);
  EXPECT_EQ(CheckOf([&] { info.RtdR0At(0); }), 7344);
  EXPECT_EQ(CheckOf([&] { info.IndexOfRtdR0(r0); }), 7373);
  EXPECT_EQ(CheckOf([&] { info.HasRtdR0(r0); }), 7395);
  info.RtdR0List = {10, 100};
  EXPECT_EQ(info.RtdR0At(1), 100.0);
  EXPECT_EQ(CheckOf([&] { info.RtdR0At(2); }), 7360);
  EXPECT_EQ(info.IndexOfRtdR0(r0), 1);
  EXPECT_TRUE(info.HasRtdR0(r0));
  r0.SetValue(50, 0);
  EXPECT_FALSE(info.HasRtdR0(r0));
  EXPECT_EQ(CheckOf([&] { info.IndexOfRtdR0(r0); }), 7382);
}

}  // namespace
