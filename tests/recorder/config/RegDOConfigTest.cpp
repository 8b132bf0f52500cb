// The discrete output block beyond the record vectors (BlockVectorsTest): sizes by
// firmware, the refusals with their check numbers, and the first line's control flag.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(DORecord, SizeByFirmware)
{
  ExpectSizes({{V(1, 10, 5, 255), 0}, {V(1, 10, 6), 36}, {V(1, 255, 255, 255), 36},
                         {V(2, 0, 0), 0}, {V(2, 1, 53, 255), 0}, {V(2, 1, 54), 148},
                         {V(2, 1, 150, 255), 148}, {V(2, 1, 151), 220}, {V(2, 1, 160, 255), 220},
                         {V(2, 2, 0), 148}, {V(2, 2, 3, 255), 148}, {V(2, 2, 4), 220}, {V(3, 0, 0), 220}},
              TRegDOConfig::RecordSize);
}

// A 220-byte record: name "R", control position 0, and the bytes given.
std::vector<std::uint8_t> Record220(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes)
{
  std::vector<std::uint8_t> record(220, 0);
  record[0] = 'R';
  for (const auto& [offset, value] : bytes) record[offset] = value;
  return record;
}

struct ReadRow {
  const char* name;
  std::uint32_t version;
  std::vector<std::uint8_t> record;
  const char* outcome;
  std::uint8_t infoType = 0;
};

class DORead : public testing::TestWithParam<ReadRow> {};

TEST_P(DORead, RefusalsAndChecks)
{
  const ReadRow& row = GetParam();
  DeviceCounts counts;
  counts.doInfoType = row.infoType;
  counts.doControlTypes = {0, 1, 2, 3, 4, 5};  // 5: a control type no writer knows
  BlockDevice device(row.version, counts);
  EXPECT_EQ(Outcome(row.version, [&] { device.config.DO[0].ReadRecord(row.version, row.record); }), row.outcome);
}

std::vector<std::uint8_t> Bytes(std::size_t size) { return std::vector<std::uint8_t>(size, 0); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Checks, DORead, testing::Values(
    ReadRow{"before_1_10_6",          V(1, 10, 5),  Bytes(36),  "old"},
    ReadRow{"form36_short",           V(1, 10, 6),  Bytes(35),  "{7469}"},
    ReadRow{"form36_longer",          V(1, 10, 10), Bytes(40),  ""},
    ReadRow{"second_line_without",    V(2, 0, 20),  Bytes(148), "old"},
    ReadRow{"last_without",           V(2, 1, 53),  Bytes(148), "old"},
    ReadRow{"form148_short",          V(2, 1, 100), Bytes(147), "{7496}"},
    ReadRow{"form148_long",           V(2, 1, 100), Bytes(149), "{7496}"},
    ReadRow{"form220_long",           V(2, 1, 155), Bytes(221), "{7510}"},
    ReadRow{"branch_148",             V(2, 2, 1),   Bytes(148), ""},
    ReadRow{"no_upper_bound",         V(2, 3, 0),   Bytes(220), ""},
    ReadRow{"control_position_148",   V(2, 1, 100), [] { auto r = Bytes(148); r[144] = 6; return r; }(), "{7502}"},
    ReadRow{"control_position_220",   V(2, 1, 155), Record220({{144, 6}}), "{7516}"},
    ReadRow{"negative_mode",          V(2, 1, 155), Record220({{146, 0xF0}}), "{7540}"},
    ReadRow{"mode_9_reads_as_0",      V(2, 1, 155), Record220({{146, 9}}), ""},
    ReadRow{"control_type_above_4",   V(2, 1, 155), Record220({{144, 5}}), "{7587}"},
    ReadRow{"extension_kind_5",       V(2, 1, 155), Record220({{154, 5}}), "{7617}", 2},
    ReadRow{"extension_kind_negative", V(2, 1, 155), Record220({{154, 0x80}}), "{7617}", 2},
    ReadRow{"no_extension_part",      V(2, 1, 155), Record220({{154, 5}}), "", 0}),
    [](const testing::TestParamInfo<ReadRow>& info) { return std::string(info.param.name); });
// clang-format on

TEST(DORecord, AFailedReadKeepsWhatWasStoredBeforeTheCheck)
{
  BlockDevice device(V(2, 1, 155));
  auto& out = device.config.DO[0];
  auto record = Record220({{146, 0xF0}, {144, 2}, {24, 'T'}});
  EXPECT_EQ(Outcome(V(2, 1, 155), [&] { out.ReadRecord(V(2, 1, 155), record); }), "{7540}");
  EXPECT_EQ(out.Name, "R");
  EXPECT_EQ(out.ControlIndex, 2u);
  EXPECT_EQ(out.Text, "T");
  EXPECT_EQ(out.Mode, 0xF0);
}

TEST(DORecord, WriterRefusals)
{
  BlockDevice device(V(2, 1, 155), [] {
    DeviceCounts counts;
    counts.doControlTypes = {0, 1, 2, 3, 4, 5};
    counts.doInfoType = 2;
    return counts;
  }());
  auto& out = device.config.DO[0];
  EXPECT_EQ(Outcome(V(2, 0, 20), [&] { Written(out, V(2, 0, 20)); }), "old");
  EXPECT_EQ(Outcome(V(1, 10, 5), [&] { Written(out, V(1, 10, 5)); }), "old");
  out.Mode = 7;
  EXPECT_EQ(Outcome(0, [&] { Written(out, V(2, 1, 155)); }), "{7728}");
  out.Mode = 0;
  out.ControlIndex = 5;
  EXPECT_EQ(Outcome(0, [&] { Written(out, V(2, 1, 155)); }), "{7759}");
  out.ControlIndex = 0;
  out.ExtKind = 5;
  EXPECT_EQ(Outcome(0, [&] { Written(out, V(2, 1, 155)); }), "{7789}");
  // The older forms carry none of these.
  EXPECT_EQ(Outcome(0, [&] { Written(out, V(2, 1, 150)); }), "");
}

TEST(DORecord, FirstLineControlFlagIsThePositionOfCode2)
{
  // The list of 1.10.6 on is {0, 2}: a record's flag names the position of code 2, 1.
  DeviceCounts counts;
  counts.doControlTypes = {0, 2};
  BlockDevice device(V(1, 10, 10), counts);
  auto& out = device.config.DO[0];
  auto record = Bytes(36);
  record[32] = 1;
  out.ReadRecord(V(1, 10, 10), record);
  EXPECT_EQ(out.ControlIndex, 1u);
  EXPECT_EQ(Written(out, V(1, 10, 10))[32], 1);

  record[32] = 0;
  out.ReadRecord(V(1, 10, 10), record);
  EXPECT_EQ(out.ControlIndex, 0u);
  EXPECT_EQ(Written(out, V(1, 10, 10))[32], 0);

  // A position the list lacks writes no flag rather than look past the list.
  out.ControlIndex = 2;
  EXPECT_EQ(Written(out, V(1, 10, 10))[32], 0);

  // A list without code 2 falls back to position 0.
  DeviceCounts plain;
  plain.doControlTypes = {0};
  BlockDevice other(V(1, 10, 10), plain);
  record[32] = 1;
  other.config.DO[0].ReadRecord(V(1, 10, 10), record);
  EXPECT_EQ(other.config.DO[0].ControlIndex, 0u);
}

TEST(DORecord, APositionOutsideTheListWritesNoControlType)
{
  BlockDevice device(V(2, 1, 155));
  auto& out = device.config.DO[0];
  out.ControlIndex = 9;
  out.RegulatorIndex = 3;
  const auto record = Written(out, V(2, 1, 155));
  EXPECT_EQ(record[144], 9);
  EXPECT_EQ(record[148], 0);
}

TEST(DORecord, LevelByteOfThePulseWidthModes)
{
  BlockDevice device(V(2, 1, 155));
  auto& out = device.config.DO[0];
  out.Mode = 1;
  for (const auto& [hasLevel, level, byte] :
       {std::tuple{false, 0, 0}, std::tuple{false, 7, 0}, std::tuple{true, 0, 1}, std::tuple{true, 100, 101}}) {
    out.HasLevel = hasLevel;
    out.Level.SetMantissa(level);
    EXPECT_EQ(Written(out, V(2, 1, 155))[147], byte) << hasLevel << " " << level;
  }
}

}  // namespace
