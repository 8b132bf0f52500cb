// The TTL channel block beyond the record vectors (BlockVectorsTest).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockTestSupport.h"
#include "ConfigTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(TTLRecord, SizeByFirmware)
{
  ExpectSizes({{V(1, 8, 255, 255), 0}, {V(1, 9, 0), 80}, {V(1, 255, 255, 255), 80},
                         {V(2, 0, 0), 0}, {V(2, 1, 24, 255), 0}, {V(2, 1, 25), 80}, {V(2, 1, 53, 255), 80},
                         {V(2, 1, 54), 200}, {V(2, 1, 131, 255), 200}, {V(2, 1, 132), 248},
                         {V(2, 1, 160, 255), 248}, {V(2, 1, 161), 248}, {V(2, 2, 1), 80}, {V(2, 2, 4), 248}},
              TRegTTLConfig::RecordSize);
}

struct ReadRow {
  const char* name;
  std::uint32_t version;
  std::size_t size;
  std::uint8_t mode;  // byte 0
  const char* outcome;
};

class TTLRead : public testing::TestWithParam<ReadRow> {};

TEST_P(TTLRead, SizeRulesAndFirmwareBands)
{
  const ReadRow& row = GetParam();
  std::vector<std::uint8_t> record(row.size, 0);
  if (!record.empty()) record[0] = row.mode;
  TRegTTLConfig ttl;
  EXPECT_EQ(Outcome(row.version, [&] { ttl.ReadRecord(row.version, record); }), row.outcome);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Bands, TTLRead, testing::Values(
    ReadRow{"before_1_9",            V(1, 8, 9),   80,  0,    "old"},
    ReadRow{"first_line_81",         V(1, 10, 0),  81,  0,    "{10650}"},
    ReadRow{"late_first_line",       V(1, 10, 21), 80,  0,    "old"},
    ReadRow{"second_line_without",   V(2, 1, 24),  80,  0,    "old"},
    ReadRow{"second_line_81",        V(2, 1, 40),  81,  0,    "{10703}"},
    ReadRow{"neither_200_nor_248",   V(2, 1, 60),  210, 0,    "{10842}"},
    ReadRow{"248_bytes_at_2_1_60",   V(2, 1, 60),  248, 3,    ""},
    ReadRow{"200_bytes_at_2_1_140",  V(2, 1, 140), 200, 0,    ""},
    ReadRow{"mode_4_reads_as_0",     V(2, 1, 140), 248, 4,    ""},
    ReadRow{"negative_mode",         V(2, 1, 140), 248, 0xF0, "{10819}"},
    ReadRow{"past_the_newest",       V(2, 1, 161), 248, 0,    "new 2.1.160"},
    ReadRow{"branch_81",             V(2, 2, 1),   81,  0,    "{10703}"}),
    [](const testing::TestParamInfo<ReadRow>& info) { return std::string(info.param.name); });
// clang-format on

TEST(TTLRecord, WritersBands)
{
  TRegTTLConfig ttl;
  EXPECT_EQ(Outcome(V(1, 8, 0), [&] { Written(ttl, V(1, 8, 0)); }), "old");
  EXPECT_EQ(Outcome(V(2, 1, 20), [&] { Written(ttl, V(2, 1, 20)); }), "old");
  EXPECT_EQ(Outcome(V(2, 1, 161), [&] { Written(ttl, V(2, 1, 161)); }), "new 2.1.160");
  EXPECT_EQ(Written(ttl, V(1, 10, 30)).size(), 80u);
  ttl.TtlMode = 5;
  EXPECT_EQ(Outcome(V(2, 1, 140), [&] { Written(ttl, V(2, 1, 140)); }), "{11021}");
  EXPECT_EQ(Written(ttl, V(2, 1, 100)).size(), 200u);  // the older forms carry no mode
}

TEST(TTLRecord, EventCountByFirmware)
{
  // Four events up to 1.10.16 and 2.1.128.49, two from 1.10.17 and 2.1.128.50: the bytes
  // of events 2 and 3 (setting byte 3 by default) are left zero from then on.
  struct Row {
    std::uint32_t version;
    std::size_t thirdSetting;  // the offset of event 2's setting byte
    std::uint8_t expected;
  };
  TRegTTLConfig ttl;
  for (const Row& row : {Row{V(1, 10, 16), 48 + 16 + 1, 3}, Row{V(1, 10, 17), 48 + 16 + 1, 0},
                         Row{V(2, 1, 128, 49), 40 + 20 + 1, 3}, Row{V(2, 1, 128, 50), 40 + 20 + 1, 0},
                         Row{V(2, 1, 40), 40 + 20 + 1, 3}, Row{V(2, 2, 1), 40 + 20 + 1, 3}}) {
    SCOPED_TRACE(VersionToText(row.version));
    EXPECT_EQ(Written(ttl, row.version)[row.thirdSetting], row.expected);
  }
  // Reading takes as many and leaves the others as they were.
  std::vector<std::uint8_t> record(80, 0);
  record[48 + 16 + 1] = 9;
  ttl.Events[2].Setting = 5;
  ttl.ReadRecord(V(1, 10, 18), record);
  EXPECT_EQ(ttl.Events[2].Setting, 5);
  ttl.ReadRecord(V(1, 10, 16), record);
  EXPECT_EQ(ttl.Events[2].Setting, 9);
}

TEST(TTLRecord, SelectorBFrom2_1_101)
{
  TRegTTLConfig ttl;
  ttl.TtlSelA = 1;
  ttl.TtlSelB = 3;
  EXPECT_EQ(Written(ttl, V(2, 1, 100))[1], 0x01);
  EXPECT_EQ(Written(ttl, V(2, 1, 101))[1], 0x31);
  EXPECT_EQ(Written(ttl, V(2, 1, 140))[2], 3);
}

TEST(TTLRecord, ALongRecordOfAnOlderDeviceIsReadByItsSize)
{
  // Below 2.1.128.50 a 248-byte record's four events reach into the text bytes 76-95.
  std::vector<std::uint8_t> record(248, 0);
  record[0] = 1;
  record[4] = 0x66;
  record[76 + 1] = 7;  // event 2's setting byte, and the text's second byte
  record[76] = 'x';
  TRegTTLConfig ttl;
  ttl.ReadRecord(V(2, 1, 60), record);
  EXPECT_EQ(ttl.TtlMode, 1);
  EXPECT_EQ(ttl.TtlByte, 0x66);
  EXPECT_EQ(ttl.Events[2].Header, 'x');
  EXPECT_EQ(ttl.Events[2].Setting, 7);
  EXPECT_EQ(ttl.Text, "x\x07");
}

// The vectors hold the round trip at the version read (BlockVectorsTest); the form
// kept belongs to that version only, and to the item, not to the block.
TEST(TTLRecord, TheFormReadIsKeptForTheVersionReadOnly)
{
  struct Row {
    const char* vector;
    std::uint32_t readAt, otherVersion;
    std::size_t otherSize;  // the other version's own form
  };
  for (const Row& row : {Row{"ttl_248_at_2.1.60_keeps_its_form_and_mode", V(2, 1, 60), V(2, 1, 60, 1), 200},
                         Row{"ttl_200_at_2.1.140_keeps_its_form", V(2, 1, 140), V(2, 1, 150), 248}}) {
    SCOPED_TRACE(row.vector);
    const auto& record = RecordVector("blocks", row.vector);
    BlockDevice device(row.readAt);
    TRegTTLConfig& ttl = device.config.TTL[0];
    ttl.ReadRecord(row.readAt, record);
    EXPECT_EQ(ttl.WrittenSize(row.readAt), record.size());
    EXPECT_EQ(Written(ttl, row.readAt), record);
    EXPECT_EQ(ttl.WrittenSize(row.otherVersion), row.otherSize);
    EXPECT_EQ(Written(ttl, row.otherVersion).size(), row.otherSize);
    // A copy keeps the form read; the channel beside it, never read, has the version's.
    const TRegTTLConfig copy = ttl;
    EXPECT_EQ(Written(copy, row.readAt), record);
    EXPECT_EQ(device.config.TTL[1].WrittenSize(row.readAt), TRegTTLConfig::RecordSize(row.readAt));
  }
}

// A channel the device reports but no read filled (a model fitted to more channels than
// it was read for) goes into every form with the channel's defaults: selector E 1 and
// the factor 1.0.
TEST(TTLRecord, AChannelNoReadFilledWritesItsDefaultsInEveryForm)
{
  struct Row {
    const char* form;
    std::uint32_t version;
    std::size_t size, selectorE, factor;  // offsets
  };
  const Row rows[] = {
      {"80, first line", V(1, 10, 10), 80, 3, 4}, {"80, second line", V(2, 1, 40), 80, 3, 4},
      {"80, the 2.2 branch", V(2, 2, 1), 80, 3, 4}, {"200", V(2, 1, 60), 200, 3, 4},
      {"248", V(2, 1, 140), 248, 17, 20},
  };
  const std::vector<std::uint8_t> one{0x00, 0x00, 0x80, 0x3F};  // 1.0 as an IEEE single, low byte first
  for (const Row& row : rows) {
    SCOPED_TRACE(row.form);
    BlockDevice device(row.version);
    const auto record = Written(device.config.TTL[3], row.version);
    ASSERT_EQ(record.size(), row.size);
    EXPECT_EQ(record[row.selectorE], 1);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + row.factor, record.begin() + row.factor + 4), one);
  }
}

TEST(TTLRecord, FirstLineSelectorsKeepTheirLimits)
{
  struct Row {
    std::uint8_t b1;
    std::uint8_t b2;
    std::uint8_t b3;
    std::uint8_t a, b, c, d, e;
  };
  for (const Row& row : {Row{0x31, 0xBB, 8, 1, 3, 3, 23, 8}, Row{0x42, 0xC5, 9, 0, 0, 0, 0, 8},
                         Row{0x12, 0x04, 200, 0, 1, 0, 0, 8}}) {
    std::vector<std::uint8_t> record(80, 0);
    record[1] = row.b1;
    record[2] = row.b2;
    record[3] = row.b3;
    TRegTTLConfig ttl;
    ttl.ReadRecord(V(1, 10, 0), record);
    SCOPED_TRACE(std::to_string(row.b1) + " " + std::to_string(row.b2));
    EXPECT_EQ(ttl.TtlSelA, row.a);
    EXPECT_EQ(ttl.TtlSelB, row.b);
    EXPECT_EQ(ttl.TtlSelC, row.c);
    EXPECT_EQ(ttl.TtlSelD, row.d);
    EXPECT_EQ(ttl.TtlSelE, row.e);
  }
}

}  // namespace
