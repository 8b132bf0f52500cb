#include <gtest/gtest.h>

#include "InfoTestSupport.h"
#include "platform/Bytes.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"
#include "support/InfoRecordVectors.h"

namespace {

using namespace vectors;

TRegInfo& WithFirmware(TRegInfo& info, std::uint32_t sw)
{
  info.SwVersion = sw;
  return info;
}

TEST(GeneralInfoRecord, Layout188WithEmbeddedSignalTypes)
{
  TRegInfo info;
  WithFirmware(info, 0x01040200).ReadGeneralInfoRecord(kGeneral_1_4_2);
  EXPECT_EQ(info.GenHwVersion, 0x01040000u);
  EXPECT_EQ(info.GenSwVersion, 0x01040200u);
  EXPECT_EQ(info.GenTimeBase, 100u);
  EXPECT_EQ(info.ModelCode, 2u);  // (8, 8)
  EXPECT_EQ(info.GenModelCode, 2u);
  ASSERT_EQ(info.AISignalSupport.size(), 9u);
  EXPECT_EQ(info.AISignalSupport[3].SignalCode, 3);
  EXPECT_EQ(info.AISignalSupport[3].Range1High(), 23.0f);
  EXPECT_EQ(info.AISignalSupport[3].Range2High(), 100.0f);
  EXPECT_EQ(info.AISignalSupport[3].Decimals, 3);
  EXPECT_EQ(info.AISignalSupport[1].UnitText, "мА");
  EXPECT_EQ(info.GenAux1, 0x0F);
  EXPECT_EQ(info.GenAux2, 0x1FFF);
  EXPECT_EQ(info.RtdR0Mask, 0x7F);
  EXPECT_EQ(info.GenAux5, 10);
  EXPECT_EQ(info.GenCount1, 8);
  EXPECT_EQ(info.GenCount3, 2);
  EXPECT_EQ(info.AIChannels.size(), 8u);
  EXPECT_EQ(info.DIChannels.size(), 8u);
  EXPECT_EQ(info.DOChannels.size(), 8u);
  EXPECT_TRUE(info.AOChannels.empty() && info.IPChannels.empty());
  EXPECT_TRUE(info.InfoIncomplete);
}

TEST(GeneralInfoRecord, Layouts28Of1_8And1_10)
{
  TRegInfo info;
  WithFirmware(info, 0x01080100).ReadGeneralInfoRecord(kGeneral_1_8_1);
  EXPECT_EQ(info.ModelCode, 6u);
  EXPECT_EQ(info.AISignalSupport.size(), 10u);
  EXPECT_EQ(info.AISignalSupport[0].Valid, 0u);  // the entries come as records of their own
  EXPECT_EQ(info.GenAux5, 10);
  EXPECT_EQ(info.GenCount3, 0);
  TRegInfo late;
  WithFirmware(late, 0x010A0600).ReadGeneralInfoRecord(kGeneral_1_10_6);
  EXPECT_EQ(late.ModelCode, 3u);
  EXPECT_EQ(late.DOChannels.size(), 16u);
  EXPECT_EQ(late.GenAux5, 0);
}

TEST(GeneralInfoRecord, Layout48SizesTheRelaysWithTheExtensionRelays)
{
  TRegInfo info;
  info.ReadDeviceInfoRecord(kDevice_2_1_100);  // 2 extension relays
  info.ReadGeneralInfoRecord(kGeneral_2_1_100);
  EXPECT_EQ(info.ModelCode, 51u);
  EXPECT_EQ(info.GenValue1, 20.0f);
  EXPECT_EQ(info.GenValue2, 23.0f);
  EXPECT_EQ(info.ModuleSlots, (std::array<std::uint8_t, 6>{1, 0, 3, 0, 0, 12}));
  EXPECT_EQ(info.PhysAICount, 8u);
  EXPECT_EQ(info.DOCount, 4);
  ASSERT_EQ(info.DOChannels.size(), 6u);
  EXPECT_EQ(info.AISignalSupport.size(), 10u);
  const std::uint8_t relay[] = {5};
  EXPECT_EQ(info.StoreDOChannelRecord(4, relay, 1), 0);  // index DOCount: an extension relay
  EXPECT_EQ(info.DOChannels[4].Type, 5);
  EXPECT_EQ(CheckOf([&] { info.StoreDOChannelRecord(6, relay, 1); }), 5253);
}

struct GeneralCase {
  const char* name;
  const std::vector<std::uint8_t>* base;
  std::uint32_t sw;
  std::size_t size;
  std::vector<std::pair<std::size_t, std::uint8_t>> patches;
  long check;  // 0: accepted
};

class GeneralInfoChecks : public testing::TestWithParam<GeneralCase> {};

TEST_P(GeneralInfoChecks, AcceptOrRefuse)
{
  const auto& c = GetParam();
  auto record = *c.base;
  if (c.size) record.resize(c.size, 0);
  for (auto [offset, value] : c.patches) record.at(offset) = value;
  TRegInfo info;
  info.SwVersion = c.sw;
  EXPECT_EQ(CheckOf([&] { info.ReadGeneralInfoRecord(record); }), c.check);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Bands, GeneralInfoChecks, testing::Values(
    GeneralCase{"v1_4_short",          &kGeneral_1_4_2, 0x01040200, 187, {}, 3549},
    GeneralCase{"v1_4_longer",         &kGeneral_1_4_2, 0x01040200, 190, {}, 0},
    GeneralCase{"v1_4_time_base_0",    &kGeneral_1_4_2, 0x01040200, 0, {{9, 0}}, 3558},
    GeneralCase{"v1_4_model_8_16",     &kGeneral_1_4_2, 0x01040200, 0, {{186, 16}}, 0},
    GeneralCase{"v1_4_model_16_8",     &kGeneral_1_4_2, 0x01040200, 0, {{182, 16}, {181, 16}}, 3575},
    GeneralCase{"v1_4_signals_8",      &kGeneral_1_4_2, 0x01040200, 0, {{11, 8}}, 3590},
    GeneralCase{"v1_4_physical_above_ai", &kGeneral_1_4_2, 0x01040200, 0, {{181, 4}}, 3617},
    GeneralCase{"v1_4_aux5_9",         &kGeneral_1_4_2, 0x01040200, 0, {{183, 9}}, 3619},
    GeneralCase{"v1_4_aux7_0",         &kGeneral_1_4_2, 0x01040200, 0, {{187, 0}}, 3619},
    GeneralCase{"v1_8_29_bytes",       &kGeneral_1_8_1, 0x01080100, 29, {}, 3760},
    GeneralCase{"v1_8_27_bytes",       &kGeneral_1_8_1, 0x01080100, 27, {}, 3750},
    GeneralCase{"v1_8_model_5",        &kGeneral_1_8_1, 0x01080100, 0, {{8, 5}}, 3770},
    GeneralCase{"v1_8_no_relays",      &kGeneral_1_8_1, 0x01080100, 0, {{25, 0}}, 3803},
    GeneralCase{"v1_8_aux6_0",         &kGeneral_1_8_1, 0x01080100, 0, {{24, 0}}, 3805},
    GeneralCase{"v1_10_29_bytes",      &kGeneral_1_10_6, 0x010A0600, 29, {}, 3932},
    GeneralCase{"v1_10_version_0",     &kGeneral_1_10_6, 0x010A0600, 0, {{5, 0}, {6, 0}, {7, 0}}, 3941},
    GeneralCase{"v1_10_model_8",       &kGeneral_1_10_6, 0x010A0600, 0, {{8, 8}}, 3957},
    GeneralCase{"v1_10_no_relays",     &kGeneral_1_10_6, 0x010A0600, 0, {{25, 0}}, 0},
    GeneralCase{"v1_10_physical_above_ai", &kGeneral_1_10_6, 0x010A0600, 0, {{21, 9}}, 3966},
    GeneralCase{"v2_short",            &kGeneral_2_1_100, 0x02016400, 47, {}, 4014},
    GeneralCase{"v2_time_base_0",      &kGeneral_2_1_100, 0x02016400, 0, {{10, 0}}, 4026},
    GeneralCase{"v2_signals_0",        &kGeneral_2_1_100, 0x02016400, 0, {{12, 0}}, 0},
    GeneralCase{"v2_1_149_signals_17", &kGeneral_2_1_100, 0x020195FF, 0, {{12, 17}}, 4049},
    GeneralCase{"v2_1_150_signals_24", &kGeneral_2_1_100, 0x02019600, 0, {{12, 24}}, 0},
    GeneralCase{"v2_1_150_signals_25", &kGeneral_2_1_100, 0x02019600, 0, {{12, 25}}, 4055},
    GeneralCase{"v2_2_1_signals_17",   &kGeneral_2_1_100, 0x02020100, 0, {{12, 17}}, 4049},
    GeneralCase{"v2_slot_22",          &kGeneral_2_1_100, 0x02016400, 0, {{35, 22}}, 4077},
    GeneralCase{"v2_slot_200",         &kGeneral_2_1_100, 0x02016400, 0, {{32, 200}}, 4077},
    GeneralCase{"v2_slot_21",          &kGeneral_2_1_100, 0x02016400, 0, {{37, 21}}, 0},
    GeneralCase{"v2_physical_above_ai", &kGeneral_2_1_100, 0x02016400, 0, {{38, 9}}, 4088}),
    [](const testing::TestParamInfo<GeneralCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(GeneralInfoRecord, Layout207ModelsByCountsAndVersion)
{
  // A 207-byte record: the 188-byte fields moved by the tenth entry and the pyrometer mask.
  auto make = [](std::uint8_t phys, std::uint8_t relays) {
    std::vector<std::uint8_t> r(207, 0);
    ByteWriter w(r);
    w.u32(1, 0x01060000);
    w.u32(5, 0x01060000);
    w.u16(9, 100);
    w.u8(11, 10);
    w.u8(200, 12);      // AI
    w.u8(201, phys);
    w.u8(202, 10);
    w.u8(203, 4);       // DI
    w.u8(204, 1);
    w.u8(205, relays);
    w.u8(206, 1);
    w.u8(198, 0x0F);    // pyrometers
    return r;
  };
  struct Case {
    std::uint32_t sw;
    std::uint8_t phys, relays;
    long check;
    std::uint32_t model;  // 0: none taken, the record was refused before its model was
  } cases[] = {{MakeVersion(1, 6, 5), 4, 8, 0, 1},   {MakeVersion(1, 7, 0), 4, 8, 0, 8},
               {MakeVersion(1, 7, 0), 12, 16, 0, 5}, {MakeVersion(1, 6, 0), 0, 8, 3677, 0},
               {MakeVersion(1, 9, 0), 8, 16, 0, 3},  {MakeVersion(1, 9, 0), 0, 8, 3902, 6},
               {MakeVersion(1, 9, 0), 4, 4, 3859, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.sw));
    TRegInfo info;
    info.SwVersion = c.sw;
    EXPECT_EQ(CheckOf([&] { info.ReadGeneralInfoRecord(make(c.phys, c.relays)); }), c.check);
    EXPECT_EQ(info.ModelCode, c.model);
    if (!c.check) {
      EXPECT_EQ(info.GenAux3, 0x0F);
      EXPECT_EQ(info.AISignalSupport.size(), 10u);
    }
  }
}

TEST(GeneralInfoRecord, VersionsOutsideTheBands)
{
  TRegInfo info;
  info.SwVersion = 0x0102FFFF;
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { info.ReadGeneralInfoRecord(kGeneral_2_1_100); }), 0x0102FFFFu);
  info.SwVersion = 0x010A1500;
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { info.ReadGeneralInfoRecord(kGeneral_2_1_100); }), 0x010A1500u);
  info.SwVersion = 0x02020400;
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { info.ReadGeneralInfoRecord(kGeneral_2_1_100); }), 0x02020400u);
}

// --- Store callbacks ---

TEST(StoreCallbacks, IndexesOutsideTheVectorsAreRefused)
{
  TRegInfo info;
  info.ReadDeviceInfoRecord(kDevice_2_1_100);
  info.ReadGeneralInfoRecord(kGeneral_2_1_100);
  const std::uint8_t di[] = {3};
  EXPECT_EQ(CheckOf([&] { info.StoreAISignalSupportRecord(10, kSignal_1_10_6_0.data(), 14); }), 5190);
  EXPECT_EQ(CheckOf([&] { info.StoreAIChannelRecord(8, kAIChannel_2_1_100.data(), 4); }), 5202);
  EXPECT_EQ(CheckOf([&] { info.StoreDIChannelRecord(8, di, 1); }), 5241);
  // Bound through the callback type the record transfers use.
  TRegRecordStoreEvent store = info.StoreEvent(&TRegInfo::StoreDIChannelRecord);
  EXPECT_EQ(store(7, di, 1), 0);
  EXPECT_EQ(info.DIChannels[7].Caps2, 3);
  info.StoreEvent(&TRegInfo::StoreAISignalSupportRecord)(1, kSignal_1_10_6_1.data(), 14);
  EXPECT_EQ(info.AISignalSupport[1].SignalCode, 2);
  info.StoreEvent(&TRegInfo::StoreAIChannelRecord)(0, kAIChannel_2_1_100.data(), 4);
  EXPECT_EQ(info.AIChannels[0].SignalCount, 10);
}

TEST(StoreCallbacks, ListRecordsGetKindAndNumberFromTheirIndex)
{
  TRegInfo info;
  info.SwVersion = MakeVersion(1, 7, 0);
  info.GenSwVersion = MakeVersion(1, 7, 0);
  info.PhysAICount = 4;
  info.AIChannels.resize(8);
  info.StoreAIChannelRecord(5, kAIChannel_1_4_2.data(), 10);
  EXPECT_EQ(info.AIChannels[5].Kind, 3);
  EXPECT_EQ(info.AIChannels[5].Number, 1);
  info.StoreAIChannelRecord(2, kAIChannel_1_4_2.data(), 10);
  EXPECT_EQ(info.AIChannels[2].Kind, 0);
  EXPECT_EQ(info.AIChannels[2].Number, 2);
  // A 1.8 general part carries kind and number itself.
  info.GenSwVersion = MakeVersion(1, 8, 0);
  auto record = kAIChannel_1_8_1;
  record[0] = 1;
  record[1] = 7;
  info.StoreAIChannelRecord(5, record.data(), 12);
  EXPECT_EQ(info.AIChannels[5].Kind, 1);
  EXPECT_EQ(info.AIChannels[5].Number, 7);
}

// --- Mask fills ---

TEST(MaskFill, AddsTheNamesOfTheSetBitsUntilTheNamesRunOut)
{
  constexpr const char* names[] = {"a", "b", "c", "d"};
  TStringList list;
  list.Add("old");
  FillListFromMask8(0x05, list, names);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.Strings(0), "a");
  EXPECT_EQ(list.Objects(0), 0);
  EXPECT_EQ(list.Strings(1), "c");
  EXPECT_EQ(list.Objects(1), 2);
  FillListFromMask8(0x30, list, names);
  EXPECT_EQ(list.Count(), 0u);
  FillListFromMask8(0x12, list, names);  // bit 1, then bit 4 stops the walk
  EXPECT_EQ(list.Count(), 1u);
  constexpr const char* many[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
  FillListFromMask16(0x1801, list, many);
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Strings(2), "12");
  EXPECT_EQ(list.Objects(2), 12);
  EXPECT_EQ(UIntText(4294967295u), "4294967295");
}

}  // namespace
