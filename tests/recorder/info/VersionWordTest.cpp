#include <gtest/gtest.h>

#include "recorder/info/VersionWord.h"

TEST(VersionWord, ParseTable)
{
  struct Case {
    const char* text;
    bool ok;
    std::uint32_t word;
  } const cases[] = {
      {"v2.1.160", true, 0x0201A000},
      {"v1.10.20 build 7", true, 0x010A1400},
      {"v0.0.0", true, 0},
      {"v255.255.255", true, 0xFFFFFF00},
      {"2.1.160", false, 0},
      {"V2.1.160", false, 0},
      {"v2.1", false, 0},
      {"v2.1.", false, 0},
      {"", false, 0},
      {"v2.1.300", false, 0},  // would read as 2.2.44 if the 300 ran into the byte above
      {"v256.0.0", false, 0},
      {"v2.-1.0", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::uint32_t word = 0xDEADBEEF;
    EXPECT_EQ(ParseVersionText(c.text, word), c.ok);
    EXPECT_EQ(word, c.word);
  }
}

TEST(VersionWord, TextShowsFourBytes)
{
  EXPECT_EQ(VersionToText(0x0201A073), "2.1.160.115");
  EXPECT_EQ(VersionToText(0x0201A000), "2.1.160.0");
  EXPECT_EQ(VersionToText(0), "0.0.0.0");
  EXPECT_EQ(VersionToText(0xFFFFFFFF), "255.255.255.255");
}

TEST(VersionWord, Bands)
{
  EXPECT_TRUE(IsSecondLine(0x0201A0FF));
  EXPECT_FALSE(IsSecondLine(0x0201A100));
  EXPECT_TRUE(IsInBranch(0x02020000));
  EXPECT_TRUE(IsInBranch(0x020203FF));
  EXPECT_FALSE(IsInBranch(0x02020400));
  EXPECT_FALSE(IsFirstLine(0x02020400) || IsSecondLine(0x02020400));
  EXPECT_EQ(MakeVersion(2, 1, 128, 90), 0x0201805Au);
}

TEST(VersionWord, ComparisonRefusesZero)
{
  EXPECT_TRUE(VersionAtLeast(0x02018300, MakeVersion(2, 1, 131)));
  EXPECT_TRUE(VersionBelow(0x020182FF, MakeVersion(2, 1, 131)));
  EXPECT_THROW(VersionAtLeast(0, MakeVersion(2, 1, 131)), EVersion);
  EXPECT_THROW(VersionAtLeast(0x02000000, 0), EVersion);
}

TEST(VersionWord, BytesMostSignificantFirst)
{
  EXPECT_EQ(VersionByte(0x0201A073, 0), 2u);
  EXPECT_EQ(VersionByte(0x0201A073, 1), 1u);
  EXPECT_EQ(VersionByte(0x0201A073, 2), 160u);
  EXPECT_EQ(VersionByte(0x0201A073, 3), 115u);
}

// The branch lands on the "below" side of every pair, whatever the limit in the 2.1
// line; a gate that takes it in is the plain comparison.
TEST(VersionWord, BranchTakesTheOlderSideOfEveryPair)
{
  struct Case {
    std::uint32_t version;
    bool from;  // IsFirmwareFrom(version, 2.1.131)
  } const cases[] = {
      {0x020182FF, false}, {0x02018300, true},  {0x0201A0FF, true},  {0x02020000, false},
      {0x020203FF, false}, {0x02020400, true},  {0x01FFFFFF, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version));
    EXPECT_EQ(IsFirmwareFrom(c.version, MakeVersion(2, 1, 131)), c.from);
    EXPECT_EQ(IsFirmwareBelow(c.version, MakeVersion(2, 1, 131)), !c.from);
  }
  EXPECT_TRUE(IsFirmwareFromBranchIncluded(MakeVersion(2, 2, 1), MakeVersion(2, 1, 131)));
}

// The limits of the pairs the lists, the expression tables and the AI record forms
// test: 2.2.1 is below each of them, as 2.x.y.255 just under the limit is.
TEST(VersionWord, BranchIsBelowTheLimitsOfThePairedGates)
{
  struct Case {
    const char* limit;
    std::uint32_t from;
    std::uint32_t justBelow;
  } const cases[] = {
      {"2.1.30", 0x02011E00, 0x02011DFF},
      {"2.1.51", 0x02013300, 0x020132FF},
      {"2.1.65", 0x02014100, 0x020140FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    EXPECT_TRUE(IsFirmwareBelow(c.justBelow, c.from));
    EXPECT_FALSE(IsFirmwareBelow(c.from, c.from));
    EXPECT_FALSE(IsFirmwareBelow(0x0201A0FF, c.from));
    EXPECT_TRUE(IsFirmwareBelow(0x02020100, c.from));  // 2.2.1
    EXPECT_FALSE(IsFirmwareFrom(0x02020100, c.from));
    EXPECT_TRUE(IsFirmwareFromBranchIncluded(0x02020100, c.from));
  }
}
