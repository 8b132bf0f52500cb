#include <gtest/gtest.h>

#include "InfoTestSupport.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"
#include "support/InfoRecordVectors.h"

namespace {

using AI = TRegInfo::TRegAIChannelInfo;
using Signal = TRegInfo::TRegAIChannelSignalSupportInfo;

TEST(AIChannelInfo, WideMaskRecordOf2_1_150)
{
  AI channel;
  const auto record = Hex("03 01 05 00 00 00");
  channel.ReadRecord({MakeVersion(2, 1, 150), MakeVersion(2, 1, 150)}, record);
  EXPECT_EQ(channel.Kind, 3);
  EXPECT_EQ(channel.Number, 1);
  EXPECT_EQ(channel.SignalMask, 5u);
  EXPECT_EQ(channel.SignalCount, 2);
  EXPECT_EQ(channel.Signals[0], 0);
  EXPECT_EQ(channel.Signals[1], 2);
  channel.MakeName();
  EXPECT_EQ(channel.Name, "МВ2");
  EXPECT_EQ(channel.IndexOfSignal(2), 1);
  EXPECT_EQ(channel.IndexOfSignal(1), -1);
}

struct ChannelCase {
  const char* name;
  std::uint32_t sw, gen;
  std::vector<std::uint8_t> record;
  long check;
};

class AIChannelRecord : public testing::TestWithParam<ChannelCase> {};

TEST_P(AIChannelRecord, AcceptOrRefuse)
{
  AI channel;
  EXPECT_EQ(CheckOf([&] { channel.ReadRecord({GetParam().sw, GetParam().gen}, GetParam().record); }), GetParam().check);
}

constexpr std::uint32_t k2_1_150 = 0x02019600, k2_1_100 = 0x02016400;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Layouts, AIChannelRecord, testing::Values(
    ChannelCase{"wide_mask_zero",      k2_1_150, k2_1_150, Hex("03 01 00 00 00 00"), 799},
    ChannelCase{"wide_16bit_zero",     k2_1_150, k2_1_150, Hex("03 01 00 00"), 777},
    ChannelCase{"wide_5_bytes",        k2_1_150, k2_1_150, Hex("03 01 05 00 00"), 803},
    ChannelCase{"wide_reads_4_bytes",  k2_1_150, 0x010A0500, Hex("00 00 01 00"), 0},
    ChannelCase{"list_1_7_short",      k2_1_100, 0x01070000, Hex("01 00 00 00 00 00 00 00 00"), 652},
    ChannelCase{"list_1_7_count_0",    k2_1_100, 0x01070000, Hex("00 00 00 00 00 00 00 00 00 00"), 659},
    ChannelCase{"list_1_8_count_9",    k2_1_100, 0x01080000, vectors::kAIChannel_1_8_1, 0},
    ChannelCase{"list_1_8_count_10",   k2_1_100, 0x01080000, Hex("00 00 0A 00 01 02 03 04 05 06 07 08"), 676},
    ChannelCase{"list_1_8_short",      k2_1_100, 0x01080000, Hex("00 00 01 00 00 00 00 00 00 00 00"), 669},
    ChannelCase{"list_1_9_short",      k2_1_100, 0x01090000, Hex("01 00"), 685},
    ChannelCase{"list_1_9_count_10",   k2_1_100, 0x01090000, Hex("0A 00 01 02 03 04 05 06 07 08"), 691},
    ChannelCase{"mask_1_10_longer",    k2_1_100, 0x010A0000, Hex("00 00 01 00 00"), 0},
    ChannelCase{"mask_1_10_short",     k2_1_100, 0x010A0000, Hex("00 00 01"), 701},
    ChannelCase{"mask_1_10_empty",     k2_1_100, 0x010A0000, Hex("00 00 00 00"), 717},
    ChannelCase{"mask_2_x_5_bytes",    k2_1_100, k2_1_100, Hex("00 00 01 00 00"), 728},
    ChannelCase{"mask_2_x_empty",      k2_1_100, k2_1_100, Hex("00 00 00 00"), 745},
    ChannelCase{"branch_16bit",        0x02020100, 0x02020100, Hex("00 00 01 00"), 0}),
    [](const testing::TestParamInfo<ChannelCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(AIChannelInfo, VersionLimitsOfTheGeneralPart)
{
  AI channel;
  const auto record = Hex("00 00 01 00");
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { channel.ReadRecord({k2_1_100, 0x0100FFFF}, record); }), 0x0100FFFFu);
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { channel.ReadRecord({k2_1_100, 0x010A1500}, record); }), 0x010A1500u);
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { channel.ReadRecord({k2_1_100, k2_1_150}, record); }), k2_1_150);
  EXPECT_THROW(channel.ReadRecord({0, k2_1_100}, record), EVersion);
}

TEST(AIChannelInfo, RecordSizeByThePair)
{
  EXPECT_EQ(AI::RecordSize({MakeVersion(2, 1, 160), MakeVersion(1, 10, 5)}), 6u);
  EXPECT_EQ(AI::RecordSize({MakeVersion(2, 2, 1), MakeVersion(2, 0, 10)}), 4u);
  EXPECT_EQ(AI::RecordSize({MakeVersion(2, 1, 100), MakeVersion(1, 8, 3)}), 12u);
  EXPECT_EQ(AI::RecordSize({MakeVersion(2, 1, 100), MakeVersion(1, 7, 0)}), 10u);
  EXPECT_EQ(AI::RecordSize({MakeVersion(2, 1, 100), MakeVersion(1, 9, 0)}), 10u);
}

TEST(AIChannelInfo, EveryLayoutRoundTrips)
{
  struct Case {
    const char* name;
    TRegVersionPair pair;
    const std::vector<std::uint8_t>* record;
  } cases[] = {{"list", {0x01040200, 0x01040200}, &vectors::kAIChannel_1_4_2},
               {"list with kind", {0x01080100, 0x01080100}, &vectors::kAIChannel_1_8_1},
               {"16-bit mask", {k2_1_100, k2_1_100}, &vectors::kAIChannel_2_1_100},
               {"24-bit mask", {k2_1_150, k2_1_150}, &vectors::kAIChannel_2_1_150}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AI channel;
    channel.ReadRecord(c.pair, *c.record);
    std::vector<std::uint8_t> out{0xEE};
    EXPECT_EQ(channel.WriteRecord(c.pair, out), c.record->size());
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 1, out.end()), *c.record);
  }
}

TEST(AIChannelInfo, ListLayoutRefusesMoreThanNineSignals)
{
  AI channel;
  channel.ReadRecord({k2_1_150, k2_1_150}, vectors::kAIChannel_2_1_150);  // 18 signals
  std::vector<std::uint8_t> out;
  EXPECT_EQ(CheckOf([&] { channel.WriteRecord({k2_1_100, 0x01080000}, out); }), 660);
  EXPECT_EQ(CheckOf([&] { channel.WriteRecord({k2_1_100, 0x01070000}, out); }), 660);
  EXPECT_TRUE(out.empty());
}

TEST(AIChannelInfo, NamePrefixByKind)
{
  AI channel;
  const char* expected[] = {"АВ1", "АП1", "ЧВ1", "МВ1", "АВП1", "?1"};
  for (std::uint8_t kind = 0; kind < 6; ++kind) {
    channel.Kind = kind;
    channel.MakeName();
    EXPECT_EQ(channel.Name, expected[kind]);
  }
}

TEST(SignalSupportInfo, PackedByteOfTheShortLayout)
{
  Signal s;
  s.ReadRecord(MakeVersion(1, 10, 0), 0, Hex("01 F3 00 00 A0 41 00 00 00 00 00 00 C8 42"));
  EXPECT_EQ(s.AuxParam, 3);
  EXPECT_EQ(s.Decimals, 15);
  EXPECT_EQ(s.Range1Low(), 0.0f);
  EXPECT_EQ(s.Range1High(), 20.0f);
  s.ReadRecord(MakeVersion(1, 10, 0), 0, Hex("01 0F 00 00 A0 41 00 00 00 00 00 00 C8 42"));
  EXPECT_EQ(s.AuxParam, -1);
  EXPECT_EQ(s.Decimals, 0);
}

TEST(SignalSupportInfo, ChecksAndUnits)
{
  Signal s;
  const auto b = [](std::uint8_t code) {
    auto r = vectors::kSignal_1_10_6_0;
    r[0] = code;
    return r;
  };
  EXPECT_EQ(CheckOf([&] { s.ReadRecord(MakeVersion(1, 10, 0), 0, std::vector<std::uint8_t>(13)); }), 480);
  EXPECT_EQ(CheckOf([&] { s.ReadRecord(MakeVersion(1, 7, 0), 0, std::vector<std::uint8_t>(17)); }), 464);
  EXPECT_EQ(CheckOf([&] { s.ReadRecord(MakeVersion(1, 10, 0), 0, b(19)); }), 499);
  EXPECT_EQ(CheckOf([&] { s.ReadRecord(MakeVersion(1, 10, 0), 0, b(200)); }), 499);
  // An index above 255 must not pass as a small code.
  EXPECT_EQ(CheckOf([&] { s.ReadRecord(MakeVersion(1, 7, 0), 256, std::vector<std::uint8_t>(18)); }), 499);
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { s.ReadRecord(0x0102FFFF, 0, b(1)); }), 0x0102FFFFu);
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { s.ReadRecord(0x0201A100, 0, b(1)); }), 0x0201A100u);
  struct Unit {
    std::uint8_t code;
    const char* text;
    const char* suffix;
  } units[] = {{1, "мА", " мА"}, {6, "°C", " °C"}, {16, "Гц", " Гц"}, {14, "", " "}, {8, "", ""}, {0, "", ""}};
  for (const auto& u : units) {
    s.ReadRecord(MakeVersion(1, 10, 0), 0, b(u.code));
    EXPECT_EQ(s.UnitText, u.text) << int(u.code);
    EXPECT_EQ(s.UnitSuffix, u.suffix) << int(u.code);
  }
}

TEST(SignalSupportInfo, WritingTheShortLayoutDropsRange1Low)
{
  Signal s;
  std::vector<std::uint8_t> a(18, 0);
  a[0] = 0x00, a[1] = 0x00, a[2] = 0x80, a[3] = 0x3F;  // Range1Low 1.0
  a[17] = 2;
  s.ReadRecord(MakeVersion(1, 7, 0), 4, a);
  EXPECT_EQ(s.Range1Low(), 1.0f);
  std::vector<std::uint8_t> out;
  EXPECT_EQ(s.WriteRecord(MakeVersion(1, 10, 0), out), 14u);
  Signal back;
  back.ReadRecord(MakeVersion(1, 10, 0), 0, out);
  EXPECT_EQ(back.SignalCode, 4);
  EXPECT_EQ(back.Decimals, 2);
  EXPECT_EQ(back.Range1Low(), 0.0f);
  std::vector<std::uint8_t> longForm;
  EXPECT_EQ(s.WriteRecord(MakeVersion(1, 9, 0), longForm), 18u);
  EXPECT_EQ(longForm, a);
}

TEST(SignalSupportInfo, UnreadEntries)
{
  Signal s;
  EXPECT_EQ(CheckOf([&] { s.Range1Low(); }), 411);
  EXPECT_EQ(CheckOf([&] { s.Range1High(); }), 422);
  EXPECT_EQ(CheckOf([&] { s.Range2Low(); }), 433);
  EXPECT_EQ(CheckOf([&] { s.Range2High(); }), 444);
  std::vector<std::uint8_t> out;
  try {
    s.WriteRecord(MakeVersion(2, 1, 0), out);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Incorrect version");
  }
  EXPECT_EQ(s.WriteRecord(MakeVersion(1, 10, 0), out), 14u);  // 1.10 writes it anyway
}

// --- Discrete inputs, relays, outputs, IP channels ---

TEST(DIChannelInfo, ModesByFirmware)
{
  using DI = TRegInfo::TRegDIChannelInfo;
  struct Case {
    std::uint32_t sw;
    std::uint8_t byte;
    std::vector<std::uint8_t> modes;
    std::vector<std::string> names;
  } cases[] = {
      {MakeVersion(2, 1, 100), 0x03, {0, 1}, {"нет", "дискретный"}},
      {MakeVersion(2, 1, 128), 0x20, {5}, {"вручную"}},
      {MakeVersion(2, 1, 129), 0x23, {0, 1, 5}, {"нет", "дискретный", "внешний"}},
      {MakeVersion(2, 2, 1), 0x20, {5}, {"вручную"}},
      {MakeVersion(1, 8, 0), 0x01, {0, 9}, {"нет", "реле"}},
      {MakeVersion(1, 8, 0), 0x22, {10, 11}, {"логический", "modbus"}},
      {MakeVersion(1, 9, 0), 0x01, {9}, {"реле"}},
      {MakeVersion(1, 10, 0), 0x0F, {9, 10, 0, 11}, {"реле", "логический", "нет", "Modbus"}},
      {MakeVersion(1, 7, 0), 0x03, {9, 10}, {"реле", "логический"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.sw));
    DI di;
    const std::uint8_t record[] = {c.byte};
    di.ReadRecord(c.sw, record);
    di.BuildModes(c.sw, 2);
    EXPECT_EQ(di.Modes, c.modes);
    EXPECT_EQ(di.ModeNames, c.names);
    EXPECT_EQ(di.Name, "ДВ3");
    EXPECT_EQ(di.IndexOfMode(c.modes.back()), static_cast<int>(c.modes.size()) - 1);
    EXPECT_EQ(di.IndexOfMode(7), -1);
  }
}

TEST(DIChannelInfo, RecordByVersion)
{
  using DI = TRegInfo::TRegDIChannelInfo;
  DI di;
  const std::uint8_t byte[] = {0x05};
  di.ReadRecord(MakeVersion(1, 9, 0), byte);
  EXPECT_EQ(di.Caps1, 5);
  EXPECT_EQ(di.Caps2, 0);
  std::vector<std::uint8_t> out;
  di.WriteRecord(MakeVersion(2, 1, 0), out);  // a first-line record written for 2.x: Caps2
  di.WriteRecord(MakeVersion(1, 9, 0), out);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 5}));
  const std::span<const std::uint8_t> empty;
  EXPECT_EQ(CheckOf([&] { di.ReadRecord(MakeVersion(1, 7, 0), empty); }), 1032);
  EXPECT_EQ(CheckOf([&] { di.ReadRecord(MakeVersion(1, 8, 0), empty); }), 1042);
  EXPECT_EQ(CheckOf([&] { di.ReadRecord(MakeVersion(1, 9, 0), empty); }), 1052);
  EXPECT_EQ(CheckOf([&] { di.ReadRecord(MakeVersion(1, 10, 20), empty); }), 1061);
  EXPECT_EQ(CheckOf([&] { di.ReadRecord(MakeVersion(2, 0, 0), empty); }), 1075);
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { di.ReadRecord(MakeVersion(1, 10, 21), byte); }), MakeVersion(1, 10, 21));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { di.ReadRecord(MakeVersion(2, 1, 161), byte); }), MakeVersion(2, 1, 161));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { DI::RecordSize(MakeVersion(1, 11, 0)); }), MakeVersion(1, 11, 0));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { di.BuildModes(MakeVersion(1, 11, 0), 0); }), MakeVersion(1, 11, 0));
  EXPECT_EQ(DI::RecordSize(MakeVersion(2, 1, 0)), 1u);
}

TEST(DOChannelInfo, TypesAndNames)
{
  using DO = TRegInfo::TRegDOChannelInfo;
  DO relay;
  const std::uint8_t six[] = {6}, five[] = {5};
  EXPECT_EQ(CheckOf([&] { relay.ReadRecord(MakeVersion(2, 1, 0), six); }), 1348);
  EXPECT_EQ(CheckOf([&] { relay.ReadRecord(MakeVersion(2, 1, 0), std::span<const std::uint8_t>()); }), 1332);
  relay.ReadRecord(MakeVersion(2, 1, 0), five);
  relay.MakeName(3);
  EXPECT_EQ(relay.Name, "РТ4");
  DO odd(7);
  odd.MakeName(0);
  EXPECT_EQ(odd.Name, "DO1");
  relay.ReadRecord(MakeVersion(1, 12, 0), five);  // not refused between the lines
  std::vector<std::uint8_t> out;
  EXPECT_EQ(relay.WriteRecord(MakeVersion(2, 1, 0), out), 1u);
  EXPECT_EQ(out, std::vector<std::uint8_t>{5});
}

TEST(OtherChannelInfo, Names)
{
  TRegInfo::TRegAOChannelInfo base(0), extension(1), odd(2);
  base.MakeName(0);
  extension.MakeName(1);
  odd.Name = "keep";
  odd.MakeName(0);
  EXPECT_EQ(base.Name, "АЕ1");
  EXPECT_EQ(extension.Name, "ВЕ2");
  EXPECT_EQ(odd.Name, "keep");
  TRegInfo::TRegIPChannelInfo ip;
  ip.MakeName(4);
  EXPECT_EQ(ip.Name, "ИП5");
}

}  // namespace
