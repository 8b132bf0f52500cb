// The counter block beyond the record vectors (BlockVectorsTest).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "BlockTestSupport.h"
#include "platform/Bytes.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(CTRecord, SizeByFirmware)
{
  ExpectSizes({{V(1, 4, 255, 255), 0}, {V(1, 5, 0), 64}, {V(1, 255, 255, 255), 64}, {V(2, 0, 0), 68},
               {V(2, 2, 1), 68}, {V(3, 0, 0), 68}},
              TRegCTConfig::RecordSize);
}

TEST(CTRecord, ReadersAndWritersBands)
{
  ExpectBands({{"before 1.5", V(1, 4, 0), 64, "old", "old"},
               {"first line short", V(1, 8, 0), 63, "{10364}", ""},
               {"1.9", V(1, 9, 0), 64, "", "new 1.10.20"},
               {"second line, 66 bytes", V(2, 1, 10), 66, "{10440}", ""},
               {"second line, 69 bytes", V(2, 1, 10), 69, "{10440}", ""},
               {"2.1.30", V(2, 1, 30), 68, "", "new 2.1.160"},
               {"branch", V(2, 2, 1), 68, "new 2.1.160", "new 2.1.160"}},
              [](std::uint32_t v, const auto& record) { BlockDevice(v).config.CT[0].ReadRecord(record); },
              [](std::uint32_t v) { Written(BlockDevice(v).config.CT[0], v); });
}

TEST(CTRecord, A64ByteSecondLineRecordSetsTheFirstByteAlone)
{
  BlockDevice device(V(2, 1, 10));
  auto& ct = device.config.CT[0];
  ct.Name = "Счётчик";
  ct.CtValue = 2.5f;
  std::vector<std::uint8_t> record(64, 0xAA);
  ct.ReadRecord(record);
  EXPECT_EQ(ct.CtByte0, 0xAA);
  EXPECT_EQ(ct.Name, "Счётчик");
  EXPECT_EQ(ct.CtValue, 2.5f);
  EXPECT_EQ(ct.CtByte1, 1);
}

TEST(CTRecord, FirstLineValuesAreWholeNumbersTowardZeroAndSaturated)
{
  // Values travel as 32-bit integers on the first line; any float must give a defined one.
  BlockDevice device(V(1, 8, 0));
  auto& ct = device.config.CT[0];
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    float value;
    std::int32_t written;
  };
  for (const Row& row : {Row{-3.9f, -3}, Row{3.9f, 3}, Row{7.0f, 7}, Row{-0.5f, 0}, Row{std::nanf(""), 0},
                         Row{inf, 2147483647}, Row{-inf, -2147483647 - 1}, Row{1e10f, 2147483647},
                         Row{-1e10f, -2147483647 - 1}, Row{2147483648.0f, 2147483647},
                         Row{-2147483648.0f, -2147483647 - 1}, Row{2147483520.0f, 2147483520}}) {
    SCOPED_TRACE(row.value);
    ct.CtValue = row.value;
    ct.Events[1].Value = row.value;
    const auto record = Written(ct, V(1, 8, 0));
    const ByteReader in(record);
    EXPECT_EQ(in.i32(4), row.written);
    EXPECT_EQ(in.i32(56), row.written);
  }
  // Back: 7 reads as 7.0; an integer past 2^24 comes back as the nearest single.
  std::vector<std::uint8_t> record(64, 0);
  record[4] = 7;
  const auto big = Hex("01 00 00 01");  // 16777217
  std::copy(big.begin(), big.end(), record.begin() + 48);
  ct.ReadRecord(record);
  EXPECT_EQ(ct.CtValue, 7.0f);
  EXPECT_EQ(ct.Events[0].Value, 16777216.0f);
}

}  // namespace
