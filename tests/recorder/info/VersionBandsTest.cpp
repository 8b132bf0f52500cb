#include <gtest/gtest.h>

#include <string>

#include "InfoTestSupport.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class Form { First, Second, Branch };

// A record as a configuration block would describe it: refused below 1.5, a first-line
// form, refused between the lines, two second-line forms, the branch with a form of its
// own, and refused above; the refused top still reports a size, as some blocks do.
constexpr VersionBand<Form> kBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 10, 20, 255), Form::First, LengthExactly(28, 101).LongerRaises(102)),
    RefusedAsNew(MakeVersion(1, 10, 21), MakeVersion(1, 255, 255, 255), kFirstLineUpTo),
    Served(MakeVersion(2, 0, 0), MakeVersion(2, 1, 149, 255), Form::Second, LengthAtLeast(48, 201)),
    Served(MakeVersion(2, 1, 150), MakeVersion(2, 1, 160, 255), Form::Second, LengthEither(64, 44, 301)),
    RefusedAsNew(MakeVersion(2, 1, 161), MakeVersion(2, 1, 255, 255), kSecondLineUpTo).Sized(64),
    Served(MakeVersion(2, 2, 0), MakeVersion(2, 2, 3, 255), Form::Branch, LengthAtLeast(32, 401)),
    RefusedAsNew(MakeVersion(2, 2, 4), MakeVersion(255, 255, 255, 255), kSecondLineUpTo).Sized(64),
};

TEST(VersionBands, EveryWordFindsTheRowItFallsIn)
{
  struct Case {
    std::uint32_t version;
    BandOutcome outcome;
    std::uint32_t size;  // RecordSizeOf
  } const cases[] = {
      {0, BandOutcome::TooOld, 0},
      {0x0104FFFF, BandOutcome::TooOld, 0},
      {0x01050000, BandOutcome::Served, 28},
      {0x010A14FF, BandOutcome::Served, 28},
      {0x010A1500, BandOutcome::TooNew, 0},
      {0x01FFFFFF, BandOutcome::TooNew, 0},
      {0x02000000, BandOutcome::Served, 48},
      {0x020195FF, BandOutcome::Served, 48},
      {0x02019600, BandOutcome::Served, 64},
      {0x0201A0FF, BandOutcome::Served, 64},
      {0x0201A100, BandOutcome::TooNew, 64},
      {0x02020000, BandOutcome::Served, 32},
      {0x020203FF, BandOutcome::Served, 32},
      {0x02020400, BandOutcome::TooNew, 64},
      {0xFFFFFFFF, BandOutcome::TooNew, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version));
    const auto& band = BandOf<kBands>(c.version);
    EXPECT_LE(band.first, c.version);
    EXPECT_GE(band.last, c.version);
    EXPECT_EQ(band.outcome, c.outcome);
    EXPECT_EQ(RecordSizeOf<kBands>(c.version), c.size);
  }
  EXPECT_EQ(BandOf<kBands>(0x02020100).form, Form::Branch);
  EXPECT_EQ(BandOf<kBands>(0x0201A000).form, Form::Second);
}

TEST(VersionBands, RefusedRowsRaiseTheirVersionErrorsForReadingAndWriting)
{
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([] { BandForReading<kBands>(0x0104FF00, 28); }), 0x0104FF00u);
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([] { BandForWriting<kBands>(0x0104FF00); }), 0x0104FF00u);
  // The refusal names the newest version of the line the word is nearest to.
  const std::pair<std::uint32_t, const char*> tooNew[] = {
      {MakeVersion(1, 10, 21), "до 1.10.20 включительно"},
      {MakeVersion(2, 1, 161), "до 2.1.160 включительно"},
      {MakeVersion(2, 2, 4), "до 2.1.160 включительно"},
  };
  for (const auto& [version, newest] : tooNew) {
    SCOPED_TRACE(VersionToText(version));
    try {
      BandForWriting<kBands>(version);
      ADD_FAILURE() << "accepted";
    } catch (const EVantorUnsupportedNewVer& e) {
      EXPECT_EQ(e.Version(), version);
      EXPECT_NE(e.Message().find(newest), std::string::npos) << e.Message();
    }
  }
  // A refusal comes before the length check.
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([] { BandForReading<kBands>(0x0201A100, 1); }), 0x0201A100u);
}

TEST(VersionBands, LengthRulesRaiseTheRowsCheck)
{
  struct Case {
    std::uint32_t version;
    std::size_t length;
    long check;  // 0: accepted
  } const cases[] = {
      {MakeVersion(1, 9, 0), 28, 0},     {MakeVersion(1, 9, 0), 27, 101},   {MakeVersion(1, 9, 0), 29, 102},
      {MakeVersion(2, 0, 5), 48, 0},     {MakeVersion(2, 0, 5), 300, 0},    {MakeVersion(2, 0, 5), 47, 201},
      {MakeVersion(2, 1, 150), 64, 0},   {MakeVersion(2, 1, 150), 44, 0},   {MakeVersion(2, 1, 150), 63, 301},
      {MakeVersion(2, 1, 150), 65, 301}, {MakeVersion(2, 1, 150), 45, 301}, {MakeVersion(2, 2, 1), 31, 401},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version) + ", " + std::to_string(c.length) + " bytes");
    Form form{};
    EXPECT_EQ(CheckOf([&] { form = BandForReading<kBands>(c.version, c.length).form; }), c.check);
    if (c.check == 0) {
      EXPECT_EQ(form, BandOf<kBands>(c.version).form);
    }
  }
}

// The compile-time check of every table: a table it refuses does not build, so its
// verdicts are shown here on tables that would not.
TEST(VersionBands, CoverageCheckRefusesGapsOverlapsAndOpenEnds)
{
  constexpr std::uint32_t kTop = 0xFFFFFFFF;
  struct Case {
    const char* name;
    VersionBand<Form> rows[3];
    bool covers;
  } const cases[] = {
      {"whole range",
       {RefusedAsOld(0, 0x01FFFFFF), Served(0x02000000, 0x0201A0FF, Form::Second, LengthAtLeast(48, 1)),
        RefusedAsNew(0x0201A100, kTop, kSecondLineUpTo)},
       true},
      {"gap of one word",
       {RefusedAsOld(0, 0x01FFFFFF), Served(0x02000001, 0x0201A0FF, Form::Second, LengthAtLeast(48, 1)),
        RefusedAsNew(0x0201A100, kTop, kSecondLineUpTo)},
       false},
      {"overlap of one word",
       {RefusedAsOld(0, 0x02000000), Served(0x02000000, 0x0201A0FF, Form::Second, LengthAtLeast(48, 1)),
        RefusedAsNew(0x0201A100, kTop, kSecondLineUpTo)},
       false},
      {"rows out of order",
       {RefusedAsOld(0, 0x01FFFFFF), RefusedAsNew(0x0201A100, kTop, kSecondLineUpTo),
        Served(0x02000000, 0x0201A0FF, Form::Second, LengthAtLeast(48, 1))},
       false},
      {"first row above 0",
       {RefusedAsOld(1, 0x01FFFFFF), Served(0x02000000, 0x0201A0FF, Form::Second, LengthAtLeast(48, 1)),
        RefusedAsNew(0x0201A100, kTop, kSecondLineUpTo)},
       false},
      {"last row short of the top",
       {RefusedAsOld(0, 0x01FFFFFF), Served(0x02000000, 0x0201A0FF, Form::Second, LengthAtLeast(48, 1)),
        RefusedAsNew(0x0201A100, kTop - 1, kSecondLineUpTo)},
       false},
      {"row ending below its start",
       {RefusedAsOld(0, 0x01FFFFFF), Served(0x02000000, 0x01FFFFFF, Form::Second, LengthAtLeast(48, 1)),
        RefusedAsNew(0x02000000, kTop, kSecondLineUpTo)},
       false},
      {"a row after the top",
       {RefusedAsOld(0, 0x01FFFFFF), RefusedAsNew(0x02000000, kTop, kSecondLineUpTo),
        RefusedAsNew(0, kTop, kSecondLineUpTo)},
       false},
  };
  for (const auto& c : cases) EXPECT_EQ(BandsCoverEveryVersion(c.rows), c.covers) << c.name;
  static_assert(BandsCoverEveryVersion(kBands));
}

}  // namespace
