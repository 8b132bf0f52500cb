// The summary board page beyond the record vectors (BlockVectorsTest): the form by
// size when reading, by version when writing, and the form a backup gives back.

#include <gtest/gtest.h>

#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(BoardRecord, WrittenFormByFirmware)
{
  struct Row {
    std::uint32_t version;
    std::size_t size;
  };
  TRegDisplayPageTabloConfig board;  // never read: the version decides
  for (const Row& row : {Row{V(2, 0, 5), 0}, Row{V(2, 1, 0), 36}, Row{V(2, 1, 116, 255), 36}, Row{V(2, 1, 117), 200},
                         Row{V(2, 1, 160), 200}, Row{V(2, 1, 161), 200}, Row{V(2, 2, 1), 36}, Row{V(2, 2, 4), 200}}) {
    SCOPED_TRACE(VersionToText(row.version));
    std::vector<std::uint8_t> out;
    EXPECT_EQ(board.WriteRecord(row.version, out), row.size);
    EXPECT_EQ(out.size(), row.size);
    EXPECT_EQ(TRegDisplayPageTabloConfig::RecordSize(row.version), row.size);
  }
}

TEST(BoardRecord, ReadersBands)
{
  struct Row {
    std::uint32_t version;
    std::size_t size;
    const char* outcome;
  };
  for (const Row& row : {Row{V(2, 0, 20), 36, "old"}, Row{V(2, 1, 50), 36, ""}, Row{V(2, 1, 50), 200, ""},
                         Row{V(2, 1, 50), 100, "{9975}"}, Row{V(2, 1, 120), 37, "{9975}"},
                         Row{V(2, 1, 161), 200, "new 2.1.160"}, Row{V(2, 2, 1), 200, ""}}) {
    SCOPED_TRACE(VersionToText(row.version) + " " + std::to_string(row.size));
    BlockDevice device(row.version);
    TRegDisplayPageTabloConfig board;
    EXPECT_EQ(Outcome(row.version, [&] { board.ReadRecord(device.Info(), std::vector<std::uint8_t>(row.size, 0)); }),
              row.outcome);
    if (row.outcome[0] == 0) {
      EXPECT_EQ(board.Slots.size(), 32u);
    }
  }
}

std::vector<std::uint8_t> Form200(const char* name, std::vector<std::pair<std::uint8_t, std::uint8_t>> slots)
{
  std::vector<std::uint8_t> record(200, 0);
  record[0] = 1;
  for (std::size_t i = 0; name[i] != 0; ++i) record[4 + i] = static_cast<std::uint8_t>(name[i]);
  for (std::size_t i = 0; i < slots.size(); ++i) {
    record[36 + 2 * i] = slots[i].first;
    record[37 + 2 * i] = slots[i].second;
  }
  return record;
}

TEST(BoardRecord, ABackupGivesTheDeviceTheFormItSent)
{
  // A 2.1.50 device sends the long form with a name and AI 35: written back for its own
  // version it keeps both, where the version alone would give the short form.
  DeviceCounts counts;
  counts.ai = 40;
  BlockDevice device(V(2, 1, 50), counts);
  const auto record = Form200("Tablo", {{1, 35}, {6, 1}});
  TRegDisplayPageTabloConfig board;
  board.ReadRecord(device.Info(), record);
  EXPECT_EQ(board.Name, "Tablo");
  EXPECT_EQ(board.Slots[0].Source, (ValueSource{ValueSource::AI, 35}));
  EXPECT_EQ(Written(board, V(2, 1, 50)), record);

  // For another version the short form, as the version says: no name, five bits of
  // each index and three of each kind.
  const auto other = Written(board, V(2, 1, 100));
  ASSERT_EQ(other.size(), 36u);
  EXPECT_EQ(other[0], 1);
  EXPECT_EQ(other[4], (35 << 3 | 1) & 0xFF);  // AI 3
  EXPECT_EQ(other[5], 1 << 3 | 6);

  // A copy keeps what was read.
  TRegDisplayPageTabloConfig copy = board;
  EXPECT_EQ(Written(copy, V(2, 1, 50)), record);

  // And a short record of a newer device goes back short.
  BlockDevice newer(V(2, 1, 120));
  std::vector<std::uint8_t> shortRecord(36, 0);
  shortRecord[4] = 0x1B;
  board.ReadRecord(newer.Info(), shortRecord);
  EXPECT_EQ(Written(board, V(2, 1, 120)), shortRecord);
}

TEST(BoardRecord, ModeOfTheShortFormFromItsTwoLowBits)
{
  BlockDevice device(V(2, 1, 50));
  TRegDisplayPageTabloConfig board;
  for (const auto& [byte, mode] : {std::pair{0x01, 1}, std::pair{0x03, 0}, std::pair{0xFD, 1}, std::pair{0x02, 0}}) {
    std::vector<std::uint8_t> record(36, 0);
    record[0] = static_cast<std::uint8_t>(byte);
    board.ReadRecord(device.Info(), record);
    EXPECT_EQ(board.Mode, mode) << byte;
  }
}

}  // namespace
