// The regulator block beyond the record vectors (BlockVectorsTest).

#include <gtest/gtest.h>

#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(CtlRecord, SizeByFirmware)
{
  ExpectSizes({{V(2, 0, 5), 0}, {V(2, 1, 149, 255), 0}, {V(2, 1, 150), 248}, {V(2, 1, 160, 255), 248},
               {V(2, 1, 161), 248}, {V(2, 2, 1), 0}, {V(3, 0, 0), 248}},
              TRegCtlConfig::RecordSize);
}

TEST(CtlRecord, ReadersAndWritersBands)
{
  ExpectBands({{"before 1.5", V(1, 4, 0), 248, "old", "old"},
               // The reader takes every version from 1.5 on in the one form.
               {"2.0.5", V(2, 0, 5), 248, "", "old"},
               {"2.1.149", V(2, 1, 149), 248, "", "old"},
               {"247 bytes", V(2, 1, 155), 247, "{11596}", ""},
               {"249 bytes", V(2, 1, 155), 249, "{11596}", ""},
               {"branch", V(2, 2, 2), 248, "old", "old"},
               {"past the newest", V(2, 1, 161), 248, "new 2.1.160", "new 2.1.160"}},
              [](std::uint32_t v, const auto& record) { TRegCtlConfig().ReadRecord(v, record); },
              [](std::uint32_t v) { Written(TRegCtlConfig(), v); });
}

TEST(CtlRecord, ModeAbove2IsRefusedAfterNameAndModeWereStored)
{
  std::vector<std::uint8_t> record(248, 0);
  record[0] = 'P';
  record[24] = 3;
  TRegCtlConfig ctl;
  EXPECT_EQ(Outcome(0, [&] { ctl.ReadRecord(V(2, 1, 155), record); }), "{11631}");
  EXPECT_EQ(ctl.Name, "P");
  EXPECT_EQ(ctl.Mode, 3);
  EXPECT_EQ(Outcome(0, [&] { Written(ctl, V(2, 1, 155)); }), "{11754}");
}

TEST(CtlRecord, ModeOffChangesNothingElse)
{
  TRegCtlConfig ctl;
  ctl.Mode = 1;
  ctl.ValueA.SetRaw(123, 2);
  ctl.SourceA = {ValueSource::AI, 2};
  std::vector<std::uint8_t> record(248, 0xEE);
  record[24] = 0;
  ctl.ReadRecord(V(2, 1, 155), record);
  EXPECT_EQ(ctl.Mode, 0);
  EXPECT_EQ(ctl.ValueA.GetMantissa(), 123);
  EXPECT_EQ(ctl.SourceA, (ValueSource{ValueSource::AI, 2}));
}

TEST(CtlRecord, ModeOffCarriesAPackedOneBelow2_1_160_28)
{
  TRegCtlConfig ctl;
  ctl.Name = "R";
  for (const auto& [version, one] : {std::pair{V(2, 1, 155), true}, std::pair{V(2, 1, 160, 27), true},
                                     std::pair{V(2, 1, 160, 28), false}, std::pair{V(2, 1, 160, 30), false}}) {
    SCOPED_TRACE(VersionToText(version));
    std::vector<std::uint8_t> expected(248, 0);
    expected[0] = 'R';
    if (one) expected[56] = 0x0A, expected[59] = 0x10;
    EXPECT_EQ(Written(ctl, version), expected);
  }
}

TEST(CtlRecord, SourcesKeepTheLowByteOfTheirIndex)
{
  TRegCtlConfig ctl;
  ctl.Mode = 1;
  ctl.SourceA = {ValueSource::AI, 300};
  const auto record = Written(ctl, V(2, 1, 155));
  EXPECT_EQ(record[26], ValueSource::AI);
  EXPECT_EQ(record[27], 44);
}

}  // namespace
