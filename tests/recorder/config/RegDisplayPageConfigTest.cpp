// The display page block beyond the record vectors (BlockVectorsTest): sizes by
// firmware and channels per page, the refusals with their check numbers, the writer's
// forms, kinds and fillers, the packed scale words and the sources' repair.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(PageRecord, SizeByFirmwareAndChannelsPerPage)
{
  struct Row {
    std::uint32_t version;
    std::uint32_t channels;
    std::uint32_t size;
  };
  for (const Row& row : {Row{0, 16, 81}, Row{V(1, 4, 255, 255), 16, 81}, Row{V(1, 5, 0), 16, 83},
                         Row{V(1, 9, 255, 255), 16, 83}, Row{V(1, 10, 0), 16, 92}, Row{V(1, 10, 21), 16, 92},
                         Row{V(2, 0, 0), 16, 100}, Row{V(2, 1, 0), 16, 164}, Row{V(2, 1, 89, 255), 16, 164},
                         Row{V(2, 1, 90), 16, 204}, Row{V(2, 1, 90), 20, 248}, Row{V(2, 1, 100), 12, 0},
                         Row{V(2, 1, 160, 255), 20, 248}, Row{V(2, 1, 161), 16, 204}, Row{V(2, 2, 1), 16, 248},
                         Row{V(2, 2, 4), 20, 248}}) {
    SCOPED_TRACE(VersionToText(row.version) + " with " + std::to_string(row.channels));
    TRegInfo info;
    info.PageChannelCount = row.channels;
    EXPECT_EQ(TRegDisplayPageConfig::RecordSize(info, row.version), row.size);
  }
}

struct ReadRow {
  const char* name;
  std::uint32_t version;
  std::uint32_t channels;
  std::size_t size;
  const char* outcome;
};

class PageRead : public testing::TestWithParam<ReadRow> {};

TEST_P(PageRead, SizeRulesAndFirmwareBands)
{
  const ReadRow& row = GetParam();
  DeviceCounts counts;
  counts.pageChannels = row.channels;
  BlockDevice device(row.version, counts);
  TRegDisplayPageConfig page;
  EXPECT_EQ(Outcome(row.version, [&] { page.ReadRecord(device.Info(), std::vector<std::uint8_t>(row.size, 0)); }),
            row.outcome);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Bands, PageRead, testing::Values(
    ReadRow{"below_1_3",           V(1, 2, 0),   16, 81,  "old"},
    ReadRow{"form81_short",        V(1, 4, 2),   16, 80,  "{8763}"},
    ReadRow{"form83_short",        V(1, 6, 0),   16, 82,  "{8817}"},
    ReadRow{"form92a_longer",      V(1, 10, 2),  16, 93,  "{8870}"},
    ReadRow{"form92b_longer",      V(1, 10, 5),  16, 93,  ""},
    ReadRow{"form92b_short",       V(1, 10, 10), 16, 91,  "{8923}"},
    ReadRow{"late_first_line",     V(1, 10, 30), 16, 92,  ""},
    ReadRow{"form100_short",       V(2, 0, 20),  16, 99,  "{8977}"},
    ReadRow{"form164a_short",      V(2, 1, 5),   16, 163, "{9005}"},
    ReadRow{"form164b_short",      V(2, 1, 40),  16, 163, "{9032}"},
    ReadRow{"form204_on_20",       V(2, 1, 120), 20, 204, "{9100}"},
    ReadRow{"form248_on_16",       V(2, 1, 120), 16, 248, "{9132}"},
    ReadRow{"form204_on_12",       V(2, 1, 120), 12, 204, "{9100}"},
    ReadRow{"neither",             V(2, 1, 120), 20, 210, "{9154}"},
    ReadRow{"form248",             V(2, 1, 120), 20, 248, ""},
    ReadRow{"past_the_newest",     V(2, 1, 161), 16, 204, "new 2.1.160"},
    ReadRow{"branch_short",        V(2, 2, 1),   20, 247, "{9060}"}),
    [](const testing::TestParamInfo<ReadRow>& info) { return std::string(info.param.name); });
// clang-format on

TEST(PageRecord, FirstLineKindCodes)
{
  // A kind code of a TTL channel where the form has none, and any code above 4.
  struct Row {
    const char* name;
    std::uint32_t version;
    std::size_t size;
    std::size_t slot;
    std::uint8_t code;
    const char* outcome;
  };
  for (const Row& row : {Row{"81 TTL", V(1, 4, 2), 81, 3, 4, "{8794}"}, Row{"81 code 5", V(1, 4, 2), 81, 3, 5, "{8798}"},
                         Row{"83 TTL", V(1, 6, 0), 83, 5, 4, "{8848}"}, Row{"83 code 5", V(1, 6, 0), 83, 5, 5, "{8852}"},
                         Row{"92a TTL", V(1, 10, 2), 92, 4, 4, "{8901}"},
                         Row{"92a code 5", V(1, 10, 2), 92, 4, 5, "{8905}"},
                         Row{"92b TTL", V(1, 10, 10), 92, 4, 4, ""},
                         Row{"92b code 5", V(1, 10, 10), 92, 4, 5, "{8959}"},
                         // The S12 form keeps its code in the low nibble.
                         Row{"92b code 0x14", V(1, 10, 10), 92, 4, 0x14, ""}}) {
    SCOPED_TRACE(row.name);
    BlockDevice device(row.version);
    std::vector<std::uint8_t> record(row.size, 0);
    record[row.slot] = row.code;
    TRegDisplayPageConfig page;
    EXPECT_EQ(Outcome(row.version, [&] { page.ReadRecord(device.Info(), record); }), row.outcome);
  }
}

TEST(PageRecord, AFirstLineIndexTheDeviceLacksLeavesTheSlotAsItWas)
{
  BlockDevice device(V(1, 6, 0));  // 8 AI channels
  std::vector<std::uint8_t> record(83, 0);
  record[5] = 1;  // AI 9
  record[6] = 9;
  record[5 + 13] = 2;  // DI 3
  record[5 + 13 + 1] = 3;
  TRegDisplayPageConfig page;
  page.Channels.resize(2);
  page.Channels[0].Source = {ValueSource::DO, 5};
  page.Channels[1].Source = {ValueSource::AI, 1};
  page.ReadRecord(device.Info(), record);
  EXPECT_EQ(page.Channels[0].Source, (ValueSource{ValueSource::DO, 5}));
  EXPECT_EQ(page.Channels[1].Source, (ValueSource{ValueSource::DI, 3}));
  EXPECT_EQ(page.Channels.size(), 6u);
}

TRegDisplayPageConfig PageOf(std::size_t slots)
{
  TRegDisplayPageConfig page;
  page.Channels.resize(slots);
  for (std::size_t i = 0; i < slots; ++i) page.Channels[i].Source = {ValueSource::AI, static_cast<std::uint32_t>(i)};
  return page;
}

TEST(PageRecord, NewestFormsGoByThePagesSlotCount)
{
  struct Row {
    std::size_t slots;
    std::size_t size;
  };
  for (const Row& row : {Row{8, 204}, Row{12, 204}, Row{16, 204}, Row{20, 248}, Row{10, 0}, Row{0, 0}, Row{24, 0}}) {
    SCOPED_TRACE(row.slots);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(PageOf(row.slots).WriteRecord(V(2, 1, 100), out), row.size);
    EXPECT_EQ(out.size(), row.size);
  }
  // Slots a page lacks are written as fillers: no source, pen 0, 0.000 to 100.000.
  const auto record = Written(PageOf(12), V(2, 1, 100));
  EXPECT_EQ(record[4 + 11 * 11], ValueSource::AI);
  EXPECT_EQ(record[4 + 11 * 11 + 1], 11);
  for (std::size_t slot = 12; slot < 16; ++slot) {
    SCOPED_TRACE(slot);
    const std::size_t at = 4 + 11 * slot;
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + at, record.begin() + at + 11),
              Hex("00 00 00 00 00 00 30 A0 86 01 30"));
  }
  EXPECT_EQ(Outcome(V(1, 10, 21), [] { Written(PageOf(6), V(1, 10, 21)); }), "new 1.10.20");
  EXPECT_EQ(Outcome(V(2, 1, 161), [] { Written(PageOf(16), V(2, 1, 161)); }), "new 2.1.160");
  EXPECT_EQ(Written(PageOf(3), V(2, 2, 1)).size(), 248u);
}

TEST(PageRecord, KindsAsTheFormsWriteThem)
{
  // Value-source kinds to the first line's codes: DI 2, DO 3, TTL 4 in form 92b only,
  // AO and regulators none; the second line's forms keep every kind a device can have.
  TRegDisplayPageConfig page;
  page.Channels.resize(6);
  const ValueSource sources[] = {{ValueSource::AO, 3}, {ValueSource::DI, 4}, {ValueSource::DO, 5},
                                 {ValueSource::TTL, 2}, {ValueSource::Regulator, 1}, {9, 7}};
  for (std::size_t i = 0; i < 6; ++i) page.Channels[i].Source = sources[i];
  struct Row {
    std::uint32_t version;
    std::size_t first;
    std::size_t width;
    std::vector<std::uint8_t> kindsAndIndexes;
  };
  for (const Row& row : {Row{V(1, 4, 2), 3, 13, Hex("00 00  02 04  03 05  00 00  00 00  00 00")},
                         Row{V(1, 6, 0), 5, 13, Hex("00 00  02 04  03 05  00 00  00 00  00 00")},
                         Row{V(1, 10, 2), 4, 12, Hex("00 00  02 04  03 05  00 00  00 00  00 00")},
                         Row{V(1, 10, 10), 4, 12, Hex("00 00  02 04  03 05  04 02  00 00  00 00")},
                         Row{V(2, 0, 20), 4, 12, Hex("02 03  03 04  04 05  05 02  06 01  00 00")},
                         // A TTL slot of 2.1.25-2.1.89 survives into the backup.
                         Row{V(2, 1, 40), 4, 12, Hex("02 03  03 04  04 05  05 02  06 01  00 00")},
                         Row{V(2, 2, 1), 4, 11, Hex("02 03  03 04  04 05  05 02  06 01  00 00")},
                         Row{V(2, 1, 100), 4, 11, Hex("02 03  03 04  04 05  05 02  06 01  09 07")}}) {
    SCOPED_TRACE(VersionToText(row.version));
    auto toWrite = page;
    if (IsFirmwareFrom(row.version, V(2, 1, 90))) toWrite.Channels.resize(8);
    const auto record = Written(toWrite, row.version);
    std::vector<std::uint8_t> kinds;
    for (std::size_t i = 0; i < 6; ++i) {
      kinds.push_back(record[row.first + i * row.width]);
      kinds.push_back(record[row.first + i * row.width + 1]);
    }
    EXPECT_EQ(kinds, row.kindsAndIndexes);
  }
}

TEST(PageRecord, PackedScaleWordsGoBackUnlessTheScaleChanged)
{
  // 65536.02 read from its packed word is the single 65536.0234375; packed again at two
  // decimals that would be 65536.03.
  BlockDevice device(V(2, 1, 100));
  std::vector<std::uint8_t> record(204, 0);
  const auto words = Hex("02 00 64 20  15 00 7D 30");
  std::copy(words.begin(), words.end(), record.begin() + 4 + 3);
  TRegDisplayPageConfig page;
  page.ReadRecord(device.Info(), record);
  EXPECT_FLOAT_EQ(page.Channels[0].ScaleMin, 65536.0234375f);
  EXPECT_EQ(Written(page, V(2, 1, 100)), record);

  page.Channels[0].ScaleMax = 1.5f;  // edited: packed anew at its decimals
  page.Channels[0].MinDecimals = 1;  // so is a changed number of decimals
  const auto edited = Written(page, V(2, 1, 100));
  EXPECT_EQ(std::vector<std::uint8_t>(edited.begin() + 7, edited.begin() + 15), Hex("00 00 0A 10  DC 05 00 30"));

  // Bit 31 of a word is never written.
  record[4 + 6] = 0xA0;
  page.ReadRecord(device.Info(), record);
  EXPECT_EQ(Written(page, V(2, 1, 100))[4 + 6], 0x20);
}

TEST(PageRecord, Setting20From2_1_91)
{
  std::vector<std::uint8_t> record(204, 0);
  struct Row {
    std::uint32_t version;
    std::uint8_t stored;
    std::uint8_t read;
  };
  for (const Row& row : {Row{V(2, 1, 90), 5, 0}, Row{V(2, 1, 91), 5, 5}, Row{V(2, 1, 91), 9, 7},
                         Row{V(2, 1, 91), 0xF0, 0xF0}}) {
    SCOPED_TRACE(VersionToText(row.version) + " " + std::to_string(row.stored));
    BlockDevice device(row.version);
    record[200] = row.stored;
    TRegDisplayPageConfig page;
    page.Setting20 = 3;
    page.ReadRecord(device.Info(), record);
    EXPECT_EQ(page.Setting20, row.read);
    EXPECT_EQ(Written(page, row.version)[200], row.read);
  }
}

TEST(PageRecord, MembersAFormLacksAreReset)
{
  BlockDevice older(V(2, 0, 20));
  BlockDevice newer(V(2, 1, 5));
  TRegDisplayPageConfig page;
  page.Name = "Старая";
  page.Setting4 = 9;
  page.Setting20 = 3;
  page.ReadRecord(newer.Info(), std::vector<std::uint8_t>(164, 0));
  EXPECT_EQ(page.Setting4, 5u);
  EXPECT_EQ(page.Setting20, 3);  // form 164a leaves it alone
  EXPECT_EQ(page.Name, "");      // read from the record
  page.Name = "Старая";
  page.ReadRecord(older.Info(), std::vector<std::uint8_t>(100, 0));
  EXPECT_EQ(page.Name, "");      // form 100 has none
  EXPECT_EQ(page.Setting20, 0);
  EXPECT_EQ(page.Channels.size(), 8u);
}

TEST(PageRecord, PenAndGroupKeptBelowTheDevicesCounts)
{
  DeviceCounts counts;
  counts.pens = 8;
  counts.groups = 4;
  BlockDevice device(V(2, 1, 40), counts);
  std::vector<std::uint8_t> record(164, 0);
  record[4 + 2] = 0xE7;
  TRegDisplayPageConfig page;
  page.ReadRecord(device.Info(), record);
  EXPECT_EQ(page.Channels[0].Pen, 7);
  EXPECT_EQ(page.Channels[0].Group, 3);
}

TEST(PageRecord, FixSourcesRepairsAgainstTheDevicesChannels)
{
  BlockDevice device(V(2, 1, 100));  // 8 AI, 4 AO, 8 DI, 8 DO, 4 TTL, 4 regulators
  TRegDisplayPageConfig page;
  page.Channels.resize(5);
  page.Channels[0].Source = {ValueSource::DO, 9};
  page.Channels[1].Source = {ValueSource::TTL, 3};
  page.Channels[2].Source = {9, 2};
  page.Channels[3].Source = {ValueSource::None, 5};
  page.Channels[4].Source = {ValueSource::AO, 4};
  page.FixSources(device.Info());
  EXPECT_EQ(page.Channels[0].Source, (ValueSource{ValueSource::DO, 0}));
  EXPECT_EQ(page.Channels[1].Source, (ValueSource{ValueSource::TTL, 3}));
  EXPECT_EQ(page.Channels[2].Source, (ValueSource{}));
  EXPECT_EQ(page.Channels[3].Source, (ValueSource{ValueSource::None, 5}));
  EXPECT_EQ(page.Channels[4].Source, (ValueSource{ValueSource::AO, 0}));
}

TEST(PageRecord, SetDefaultsKeepsTheSlotCount)
{
  TRegDisplayPageConfig page = PageOf(7);
  page.Name = "x";
  page.Channels[2].Pen = 4;
  page.SetDefaults();
  EXPECT_EQ(page.Channels.size(), 7u);
  EXPECT_EQ(page.Channels[2].Source, ValueSource{});
  EXPECT_EQ(page.Channels[2].Pen, 0);
  EXPECT_EQ(page.Name, "");
  EXPECT_EQ(page.Setting4, 5u);
}

}  // namespace
