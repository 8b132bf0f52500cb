// The timer block beyond the record vectors (BlockVectorsTest).

#include <gtest/gtest.h>

#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(TMRRecord, SizeByFirmware)
{
  ExpectSizes({{V(1, 5, 255, 255), 0}, {V(1, 6, 0), 44}, {V(1, 10, 20, 255), 44}, {V(1, 10, 21), 0},
               {V(2, 0, 0), 40}, {V(2, 1, 160, 255), 40}, {V(2, 1, 161), 40}, {V(2, 2, 1), 40}, {V(3, 0, 0), 40}},
              TRegTMRConfig::RecordSize);
}

TEST(TMRRecord, ReadersBandsAndSizeChecks)
{
  ExpectBands({{"before 1.5", V(1, 4, 9), 44, "old"},
               // 1.5 has no record of its own, but its reader takes the 1.x form.
               {"1.5", V(1, 5, 3), 44, ""},
               // A short first-line record is refused, not read past its end.
               {"first line, 20 bytes", V(1, 8, 0), 20, "{11287}"},
               {"first line, 43 bytes", V(1, 8, 0), 43, "{11287}"},
               {"late first line", V(1, 10, 30), 44, ""},
               {"second line, 39 bytes", V(2, 1, 10), 39, "{11309}"},
               {"second line, longer", V(2, 1, 10), 44, ""},
               {"branch", V(2, 2, 1), 40, ""},
               {"past the newest", V(2, 1, 161), 40, "new 2.1.160"}},
              [](std::uint32_t v, const auto& record) { TRegTMRConfig().ReadRecord(v, record); },
              [](std::uint32_t) {});
}

TEST(TMRRecord, WritersBands)
{
  TRegTMRConfig tmr;
  std::vector<std::uint8_t> out;
  EXPECT_EQ(tmr.WriteRecord(V(1, 5, 3), out), 0u);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Outcome(V(1, 4, 0), [&] { Written(tmr, V(1, 4, 0)); }), "old");
  EXPECT_EQ(Outcome(V(1, 10, 21), [&] { Written(tmr, V(1, 10, 21)); }), "new 1.10.20");
  EXPECT_EQ(Outcome(V(2, 1, 161), [&] { Written(tmr, V(2, 1, 161)); }), "new 2.1.160");
  EXPECT_EQ(Written(tmr, V(2, 2, 1)).size(), 40u);
}

TEST(TMRRecord, TheFourCodesShareOneByteOfActionFields)
{
  // Each conversion sees the fields the one before set: class 1 sets A to 2, class 2 to
  // 1, class 4 sets B; at 2.1.80.0 and on the branch nothing is converted.
  TRegTMRConfig tmr;
  tmr.Codes = {0x0001, 0x0002, 0x0304, 0};
  struct Row {
    std::uint32_t version;
    std::uint8_t fields;
    std::vector<std::uint8_t> codes;
  };
  for (const Row& row : {Row{V(2, 1, 80, 1), 0x05, Hex("00 00 00 00 05 03 00 00")},
                         Row{V(2, 1, 80, 0), 0x00, Hex("01 00 02 00 04 03 00 00")},
                         Row{V(2, 2, 1), 0x00, Hex("01 00 02 00 04 03 00 00")}}) {
    SCOPED_TRACE(VersionToText(row.version));
    const auto record = Written(tmr, row.version);
    EXPECT_EQ(record[1], row.fields);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 32, record.end()), row.codes);
  }
}

}  // namespace
