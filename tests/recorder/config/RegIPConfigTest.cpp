// The IP channel block beyond the record vectors (BlockVectorsTest).

#include <gtest/gtest.h>

#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(IPRecord, EightBytesForEveryFirmwareAndTheReadersBands)
{
  for (std::uint32_t version : {0u, V(1, 4, 0), V(2, 1, 160), V(2, 2, 1), V(3, 0, 0)})
    EXPECT_EQ(TRegIPConfig::RecordSize(version), 8u) << VersionToText(version);

  ExpectBands({{"before 1.5", V(1, 4, 9), 8, "old"},
               {"7 bytes", V(1, 5, 0), 7, "{8315}"},
               {"1.5", V(1, 5, 0), 8, ""},
               {"late first line", V(1, 10, 21), 8, ""},
               {"12 bytes", V(2, 1, 160, 255), 12, ""},
               {"past the newest", V(2, 1, 161), 8, "new 2.1.160"},
               {"branch", V(2, 2, 2), 8, ""},
               {"past the branch", V(2, 2, 4), 8, "new 2.1.160"}},
              [](std::uint32_t v, const auto& record) { TRegIPConfig().ReadRecord(v, record); },
              [](std::uint32_t) {});
}

TEST(IPRecord, CodesConvertedAbove2_1_80_0OutsideTheBranch)
{
  // Class 1 becomes code 0 with action field A (bits 4-5 of the header) 2; the writer
  // checks no version at all.
  TRegIPConfig ip;
  ip.Event.Codes = {0x0501, 0};
  struct Row {
    std::uint32_t version;
    std::vector<std::uint8_t> record;
  };
  for (const Row& row : {Row{V(2, 1, 90), Hex("20 00 00 00 00 00 00 00")}, Row{V(2, 1, 80), Hex("00 00 00 01 05 00 00 00")},
                         Row{V(2, 2, 2), Hex("00 00 00 01 05 00 00 00")}, Row{V(1, 0, 0), Hex("00 00 00 01 05 00 00 00")}}) {
    SCOPED_TRACE(VersionToText(row.version));
    EXPECT_EQ(Written(ip, row.version), row.record);
  }
}

}  // namespace
