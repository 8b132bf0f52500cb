// The schedule items beyond the record vectors (BlockVectorsTest): the stream of twelve
// items and the firmware bands.

#include <gtest/gtest.h>

#include <vector>

#include "BlockTestSupport.h"
#include "platform/Stream.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(ScheduleItems, TwelveItemsMakeOneStream)
{
  struct Row {
    std::uint32_t version;
    std::size_t size;
  };
  for (const Row& row : {Row{V(1, 8, 0), 132}, Row{V(2, 1, 0), 156}, Row{V(2, 2, 1), 156}}) {
    SCOPED_TRACE(VersionToText(row.version));
    BlockDevice device(row.version);
    TMemoryStream stream;
    for (std::size_t i = 0; i < TRegConfig::kScheduleItems; ++i) {
      TRegScheduleItemConfig item;
      item.Time7 = 300;  // its low byte, 44
      item.WriteStream(device.Info(), row.version, stream);
    }
    EXPECT_EQ(stream.Data().size(), row.size);
    EXPECT_EQ(stream.Data()[8], 44);
    EXPECT_EQ(TRegScheduleItemConfig::RecordSize(row.version) * TRegConfig::kScheduleItems, row.size);
  }
}

TEST(ScheduleItems, FirmwareBands)
{
  EXPECT_EQ(TRegScheduleItemConfig::RecordSize(V(1, 5, 255, 255)), 0u);
  EXPECT_EQ(TRegScheduleItemConfig::RecordSize(V(1, 10, 20, 255)), 11u);

  BlockDevice early(V(1, 5, 0));
  TRegScheduleItemConfig item;
  TMemoryStream stream;
  stream.WriteBuffer(std::vector<std::uint8_t>(13, 0).data(), 13);
  stream.Seek(0, SeekOrigin::Begin);
  EXPECT_EQ(Outcome(V(1, 5, 0), [&] { item.ReadStream(early.Info(), stream); }), "old");

  BlockDevice late(V(2, 1, 161));
  EXPECT_EQ(Outcome(V(2, 1, 161), [&] { item.ReadStream(late.Info(), stream); }), "new 2.1.160");

  TMemoryStream out;
  EXPECT_EQ(Outcome(V(1, 5, 0), [&] { item.WriteStream(early.Info(), V(1, 5, 0), out); }), "old");
  EXPECT_EQ(Outcome(V(1, 10, 21), [&] { item.WriteStream(early.Info(), V(1, 10, 21), out); }), "new 1.10.20");
  EXPECT_EQ(Outcome(V(2, 1, 161), [&] { item.WriteStream(early.Info(), V(2, 1, 161), out); }), "new 2.1.160");
}

TEST(ScheduleItems, AShortStreamIsTheStreamsOwnError)
{
  BlockDevice device(V(2, 1, 100));
  TMemoryStream stream;
  stream.WriteBuffer(std::vector<std::uint8_t>(12, 0).data(), 12);
  stream.Seek(0, SeekOrigin::Begin);
  TRegScheduleItemConfig item;
  EXPECT_THROW(item.ReadStream(device.Info(), stream), EReadError);
}

TEST(ScheduleItems, FirstLineCodesBelongToTheDevicesFirmware)
{
  // Class 21 is 0x80 for a 1.9 device (renumbered to 8), 0xE8 for 1.8 (taken as it is).
  TRegScheduleItemConfig item;
  item.Codes = {0x0015, 0};
  for (const auto& [device, byte] : {std::pair{V(1, 9, 0), 0x80}, std::pair{V(1, 8, 0), 0xE8}}) {
    BlockDevice info(device);
    TMemoryStream out;
    item.WriteStream(info.Info(), V(1, 8, 0), out);
    EXPECT_EQ(out.Data()[9], byte) << VersionToText(device);
  }
}

}  // namespace
