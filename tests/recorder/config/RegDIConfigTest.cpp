// The discrete input block beyond the record vectors (BlockVectorsTest): sizes by
// firmware, the refusals with their check numbers, the gates inside the newest forms.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(DIRecord, SizeByFirmware)
{
  ExpectSizes({{0, 39}, {V(1, 7, 255, 255), 39}, {V(1, 8, 0), 44}, {V(1, 8, 255, 255), 44},
                         {V(1, 9, 0), 39}, {V(1, 9, 255, 255), 39}, {V(1, 10, 0), 48},
                         {V(1, 10, 20, 255), 48}, {V(1, 10, 21), 52}, {V(2, 1, 50, 255), 52},
                         {V(2, 1, 51), 172}, {V(2, 1, 160, 255), 172}, {V(2, 2, 0), 172},
                         {V(2, 2, 3, 255), 172}},
              TRegDIConfig::RecordSize);
  // Past the newest firmware even the size is refused.
  EXPECT_EQ(Outcome(V(2, 1, 161), [] { TRegDIConfig::RecordSize(V(2, 1, 161)); }), "new 2.1.160");
  EXPECT_EQ(Outcome(V(2, 2, 4), [] { TRegDIConfig::RecordSize(V(2, 2, 4)); }), "new 2.1.160");
}

struct ReadRow {
  const char* name;
  std::uint32_t version;
  std::size_t size;
  const char* outcome;
};

class DIRead : public testing::TestWithParam<ReadRow> {};

TEST_P(DIRead, SizeRulesAndFirmwareBands)
{
  const ReadRow& row = GetParam();
  BlockDevice device(row.version);
  const std::vector<std::uint8_t> record(row.size, 0);
  EXPECT_EQ(Outcome(row.version, [&] { device.config.DI[0].ReadRecord(record); }), row.outcome);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Bands, DIRead, testing::Values(
    ReadRow{"below_1_3",              V(1, 2, 9),       39,  "old"},
    ReadRow{"form39_short",           V(1, 5, 0),       38,  "{6113}"},
    ReadRow{"form39_longer",          V(1, 5, 0),       60,  ""},
    ReadRow{"form44_short",           V(1, 8, 3),       43,  "{6192}"},
    ReadRow{"form44_one_byte_long",   V(1, 8, 3),       45,  "{6192}"},
    ReadRow{"form39_again_on_1_9",    V(1, 9, 2),       38,  "{6113}"},
    ReadRow{"form48_short",           V(1, 10, 0),      47,  "{6272}"},
    ReadRow{"form48_longer",          V(1, 10, 20),     60,  ""},
    ReadRow{"late_first_line",        V(1, 10, 21),     52,  "new 1.10.20"},
    ReadRow{"form52_short",           V(2, 0, 20),      51,  "{6356}"},
    ReadRow{"form172_short",          V(2, 1, 51),      171, "{6499}"},
    ReadRow{"newest",                 V(2, 1, 160, 255), 172, ""},
    ReadRow{"past_the_newest",        V(2, 1, 161),     172, "new 2.1.160"},
    ReadRow{"branch_short",           V(2, 2, 1),       171, "{6499}"},
    ReadRow{"past_the_branch",        V(2, 2, 4),       172, "new 2.1.160"}),
    [](const testing::TestParamInfo<ReadRow>& info) { return std::string(info.param.name); });
// clang-format on

// A record of the wide form whose channel 0 is of the given kind (its position in the
// list 0-7 is the code).
std::vector<std::uint8_t> WideRecord(std::uint8_t kind)
{
  std::vector<std::uint8_t> record(172, 0);
  record[0] = 'D';
  record[24] = kind;
  return record;
}

TEST(DIRecord, AnAddressingVariantAbove2IsAVersionError)
{
  BlockDevice device(V(2, 1, 40));
  auto record = WideRecord(TRegDIConfig::kRs485);
  record.resize(52);
  record[26] = 3;
  auto& di = device.config.DI[0];
  EXPECT_EQ(Outcome(V(2, 1, 40), [&] { di.ReadRecord(record); }), "version");
  EXPECT_EQ(di.Name, "D");  // stored before the source's parameters
  di.BusMode = 3;
  EXPECT_EQ(Outcome(V(2, 1, 40), [&] { Written(di, V(2, 1, 40)); }), "version");

  // Before 2.1.30 the byte is no variant: variant 0 is read, and the byte not written.
  BlockDevice older(V(2, 1, 29));
  auto& old = older.config.DI[0];
  old.ReadRecord(record);
  EXPECT_EQ(old.BusMode, 0);
  EXPECT_EQ(Written(old, V(2, 1, 29))[26], 0);
}

TEST(DIRecord, InputByteIsCheckedWhenReadAsWhenWritten)
{
  auto record = WideRecord(TRegDIConfig::kDiscrete);
  record[32] = 2;
  BlockDevice device(V(2, 1, 150));
  auto& di = device.config.DI[0];
  // Refused on reading, rather than read and then refused at the end of a backup.
  EXPECT_EQ(Outcome(V(2, 1, 150), [&] { di.ReadRecord(record); }), "{6911}");
  di.InputByte = 2;
  EXPECT_EQ(Outcome(V(2, 1, 150), [&] { Written(di, V(2, 1, 150)); }), "{6911}");

  // A signed comparison: 0x80-0xFF pass both ways.
  record[32] = 0xFE;
  di.ReadRecord(record);
  EXPECT_EQ(di.InputByte, 0xFE);
  EXPECT_EQ(Written(di, V(2, 1, 150)), record);

  // Before 2.1.128.80 the byte is not the channel's.
  BlockDevice older(V(2, 1, 128, 79));
  record[32] = 2;
  older.config.DI[0].ReadRecord(record);
  EXPECT_EQ(older.config.DI[0].InputByte, 0);
}

TEST(DIRecord, ExternalByteFrom2_1_128_90)
{
  auto record = WideRecord(TRegDIConfig::kExternal);
  record[32] = 0x42;
  for (const auto& [version, expected] : {std::pair{V(2, 1, 128, 89), 0}, std::pair{V(2, 1, 128, 90), 0x42}}) {
    SCOPED_TRACE(VersionToText(version));
    BlockDevice device(version);
    auto& di = device.config.DI[0];
    di.ReadRecord(record);
    EXPECT_EQ(di.ExternalByte, expected);
    EXPECT_EQ(Written(di, version)[32], expected);
  }
}

TEST(DIRecord, CodesAreConvertedForFirmwareAbove2_1_80_0Only)
{
  // A code of class 2 becomes code 0 with action field A = 1; on the branch it stays.
  struct Row {
    std::uint32_t version;
    std::uint8_t header;
    std::uint16_t code;
  };
  for (const Row& row : {Row{V(2, 1, 80, 0), 0x00, 0x0302}, Row{V(2, 1, 80, 1), 0x10, 0x0000},
                         Row{V(2, 1, 100), 0x10, 0x0000}, Row{V(2, 2, 1), 0x00, 0x0302}}) {
    SCOPED_TRACE(VersionToText(row.version));
    BlockDevice device(row.version);
    auto& di = device.config.DI[0];
    di.Events[0].Codes[0] = 0x0302;
    const auto record = Written(di, row.version);
    EXPECT_EQ(record[36], row.header);
    EXPECT_EQ(record[39] | record[40] << 8, row.code);
    EXPECT_EQ(di.Events[0].Codes[0], 0x0302);  // the model keeps its own code
  }
}

TEST(DIRecord, ModePositionsOutsideTheListFallBack)
{
  struct Row {
    const char* name;
    std::vector<std::uint8_t> modes;
    std::uint8_t position;
    std::uint8_t expected;
  };
  for (const Row& row : {Row{"inside", {0, 1, 2}, 2, 2},
                         // p = 1 (the position of code 0), then the position of code 1.
                         Row{"through the position of code 0", {3, 0, 1}, 9, 2},
                         Row{"no code 0", {1, 2}, 5, 0},
                         Row{"p itself no code of the list", {2, 0}, 5, 0},
                         Row{"an empty list", {}, 3, 0}}) {
    SCOPED_TRACE(row.name);
    DeviceCounts counts;
    counts.diModes = row.modes;
    BlockDevice device(V(2, 1, 100), counts);
    auto record = WideRecord(0);
    record[24] = row.position;
    auto& di = device.config.DI[0];
    di.ReadRecord(record);
    EXPECT_EQ(di.ModeIndex, row.expected);
    EXPECT_EQ(Written(di, V(2, 1, 100))[24], row.expected);
  }
}

TEST(DIRecord, TheSourceIsResetBeforeTheKindsParametersAreRead)
{
  BlockDevice device(V(2, 1, 100));
  auto& di = device.config.DI[0];
  di.EthIPv4 = 0x01020304;
  di.CanNumber16 = 77;
  di.Text = "old";
  di.ReadRecord(WideRecord(TRegDIConfig::kRs485));
  EXPECT_EQ(di.EthIPv4, TRegDIConfig::kDefaultEthIPv4);
  EXPECT_EQ(di.CanNumber16, 0u);
  EXPECT_EQ(di.Text, "");
}

TEST(DIRecord, FirstLineFormsKeepTheOwnersVersionForTheirCodes)
{
  // The one-byte codes belong to the device's firmware: a 1.8 record written for 1.8
  // encodes class 11 the 1.8 way, 0x9A.
  DeviceCounts counts;
  counts.diModes = {0, 9, 10, 11};
  BlockDevice device(V(1, 8, 3), counts);
  auto& di = device.config.DI[0];
  di.Events[1].Codes[0] = 0x020B;
  EXPECT_EQ(Written(di, V(1, 8, 3))[42], 0x9A);
}

TEST(DIRecord, NeedsItsOwner)
{
  TRegDIConfig di;
  EXPECT_EQ(Outcome(0, [&] { di.ReadRecord(std::vector<std::uint8_t>(172)); }).rfind("other: ", 0), 0u);
}

}  // namespace
