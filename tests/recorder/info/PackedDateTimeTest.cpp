#include <gtest/gtest.h>

#include <string>

#include "platform/Bytes.h"
#include "recorder/info/PackedDateTime.h"

// Day numbers, weekdays, changeover days and differences come from values_vectors.py
// (Python's datetime; output in values_vectors.txt).

namespace {

using PackedTime::Stamp;

std::string Text(const Stamp& s)
{
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d.%02d", s.Day(), s.Month(), s.Year(), s.Hours(),
                s.Minutes(), s.Seconds(), s.Hundredths());
  return buf;
}

TEST(PackedDateTime, BytesAndWords)
{
  const std::uint8_t bytes[8] = {5, 1, 1, 0, 99, 59, 30, 23};  // Saturday 1.1.2000 23:30:59.99
  Stamp s = Stamp::FromBytes(bytes);
  EXPECT_EQ(s.date, 0x00010105u);
  EXPECT_EQ(s.time, 0x171E3B63u);
  EXPECT_EQ(Text(s), "01.01.2000 23:30:59.99");
  EXPECT_EQ(s.WeekdayByte(), 5);
  std::uint8_t back[8] = {};
  s.ToBytes(back);
  EXPECT_EQ(std::memcmp(back, bytes, 8), 0);
  EXPECT_THROW(Stamp::FromBytes(std::span(bytes).first(7)), EByteRange);
}

TEST(PackedDateTime, Calendar)
{
  EXPECT_EQ(PackedTime::JulianDay(1, 1, 2000), 2451545);
  EXPECT_EQ(PackedTime::JulianDay(31, 12, 2099), 2488069);
  EXPECT_EQ(PackedTime::JulianDay(29, 2, 2024), 2460370);
  EXPECT_EQ(PackedTime::Weekday(Stamp::Make(1, 1, 2000)), 5);  // Saturday
  EXPECT_EQ(PackedTime::Weekday(Stamp::Make(31, 12, 2099)), 3);
  EXPECT_EQ(PackedTime::Weekday(Stamp::Make(26, 3, 2023)), 6);

  Stamp s{0x00010100, 0};  // 1.1.2000 with weekday byte 0
  EXPECT_EQ(PackedTime::SetWeekday(s), 2451545 / 7);
  EXPECT_EQ(s.WeekdayByte(), 5);

  EXPECT_TRUE(PackedTime::IsLeapYear(2000));
  EXPECT_FALSE(PackedTime::IsLeapYear(2100));
  EXPECT_TRUE(PackedTime::IsLeapYear(2024));
  EXPECT_EQ(PackedTime::DaysInYear(2023), 365);
  EXPECT_EQ(PackedTime::DaysInMonth(2, 2024), 29);
  EXPECT_EQ(PackedTime::DaysInMonth(2, 2023), 28);
  EXPECT_EQ(PackedTime::DayOfYear(31, 12, 2024), 366);
  EXPECT_EQ(PackedTime::DayOfYear(1, 3, 2023), 60);
}

TEST(PackedDateTime, Validity)
{
  EXPECT_TRUE(PackedTime::IsValidDate(Stamp::Make(29, 2, 2024).date));
  EXPECT_FALSE(PackedTime::IsValidDate(Stamp::Make(29, 2, 2023).date));
  EXPECT_FALSE(PackedTime::IsValidDate(0x64010100));  // year byte 100
  EXPECT_FALSE(PackedTime::IsValidDate(0x170D0100));  // month 13
  EXPECT_FALSE(PackedTime::IsValidDate(0x17010000));  // day 0
  EXPECT_TRUE(PackedTime::IsValidTime(Stamp::Make(1, 1, 2000, 23, 59, 59, 99).time));
  EXPECT_FALSE(PackedTime::IsValidTime(Stamp::Make(1, 1, 2000, 24, 0, 0).time));
  EXPECT_FALSE(PackedTime::IsValidTime(Stamp::Make(1, 1, 2000, 0, 60, 0).time));
  EXPECT_TRUE(PackedTime::IsValidDMY(31, 12, 2099));
  EXPECT_FALSE(PackedTime::IsValidDMY(1, 1, 2100));
  EXPECT_FALSE(PackedTime::IsValid(Stamp{Stamp::Make(1, 1, 2000).date, 0x18000000}));
}

TEST(PackedDateTime, Arithmetic)
{
  struct Case {
    const char* name;
    Stamp from;
    void (*step)(Stamp&);
    const char* expected;
  } const cases[] = {
      {"a hundredth over the end of February", Stamp::Make(28, 2, 2023, 23, 59, 59, 99),
       [](Stamp& s) { PackedTime::DateTimeAddHundredths(s, 1); }, "01.03.2023 00:00:00.00"},
      {"the same in a leap year", Stamp::Make(28, 2, 2024, 23, 59, 59, 99),
       [](Stamp& s) { PackedTime::DateTimeAddHundredths(s, 1); }, "29.02.2024 00:00:00.00"},
      {"a hundredth back over the new year", Stamp::Make(1, 1, 2001),
       [](Stamp& s) { PackedTime::DateTimeAddHundredths(s, -1); }, "31.12.2000 23:59:59.99"},
      {"borrow of exactly 100", Stamp::Make(1, 1, 2001, 0, 0, 5, 30),
       [](Stamp& s) { PackedTime::DateTimeAddHundredths(s, -100); }, "01.01.2001 00:00:04.30"},
      {"borrow of 101", Stamp::Make(1, 1, 2001, 0, 0, 5, 0),
       [](Stamp& s) { PackedTime::DateTimeAddHundredths(s, -101); }, "01.01.2001 00:00:03.99"},
      {"seconds carry through to the day", Stamp::Make(31, 12, 2023, 23, 59, 0),
       [](Stamp& s) { PackedTime::AddSeconds(s, 61); }, "01.01.2024 00:00:01.00"},
      {"minutes back", Stamp::Make(1, 3, 2024, 0, 10, 0),
       [](Stamp& s) { PackedTime::AddMinutes(s, -11); }, "29.02.2024 23:59:00.00"},
      {"hours over two days", Stamp::Make(30, 12, 2023, 12, 0, 0),
       [](Stamp& s) { PackedTime::AddHours(s, 48); }, "01.01.2024 12:00:00.00"},
      {"the whole century in days", Stamp::Make(1, 1, 2000),
       [](Stamp& s) { PackedTime::AddDays(s, 36524); }, "31.12.2099 00:00:00.00"},
      {"a day back into a leap day", Stamp::Make(1, 3, 2024),
       [](Stamp& s) { PackedTime::AddDays(s, -1); }, "29.02.2024 00:00:00.00"},
      {"31 January plus a month ends in February (leap)", Stamp::Make(31, 1, 2024),
       [](Stamp& s) { PackedTime::AddMonths(s, 1); }, "29.02.2024 00:00:00.00"},
      {"31 January plus a month ends in February", Stamp::Make(31, 1, 2023),
       [](Stamp& s) { PackedTime::AddMonths(s, 1); }, "28.02.2023 00:00:00.00"},
      {"31 May plus a month", Stamp::Make(31, 5, 2023), [](Stamp& s) { PackedTime::AddMonths(s, 1); },
       "30.06.2023 00:00:00.00"},
      {"31 March back a month", Stamp::Make(31, 3, 2023), [](Stamp& s) { PackedTime::AddMonths(s, -1); },
       "28.02.2023 00:00:00.00"},
      {"months over the year", Stamp::Make(15, 11, 2023), [](Stamp& s) { PackedTime::AddMonths(s, 3); },
       "15.02.2024 00:00:00.00"},
      {"months back over the year", Stamp::Make(15, 1, 2024), [](Stamp& s) { PackedTime::AddMonths(s, -13); },
       "15.12.2022 00:00:00.00"},
      {"leap day plus a year", Stamp::Make(29, 2, 2024), [](Stamp& s) { PackedTime::AddYears(s, 1); },
       "01.03.2025 00:00:00.00"},
      {"leap day plus four years", Stamp::Make(29, 2, 2024), [](Stamp& s) { PackedTime::AddYears(s, 4); },
       "29.02.2028 00:00:00.00"},
      {"milliseconds below a second are dropped", Stamp::Make(1, 1, 2020, 0, 0, 12, 34),
       [](Stamp& s) { PackedTime::AddMilliseconds(s, 5); }, "01.01.2020 00:00:12.34"},
      {"from a second on they are rounded", Stamp::Make(1, 1, 2020, 0, 0, 12, 34),
       [](Stamp& s) { PackedTime::AddMilliseconds(s, 1005); }, "01.01.2020 00:00:13.35"},
      {"below a second even at .99", Stamp::Make(1, 1, 2020, 0, 0, 12, 99),
       [](Stamp& s) { PackedTime::AddMilliseconds(s, 5); }, "01.01.2020 00:00:12.99"},
      {"into the next second", Stamp::Make(1, 1, 2020, 0, 0, 12, 99),
       [](Stamp& s) { PackedTime::AddMilliseconds(s, 15); }, "01.01.2020 00:00:13.01"},
      {"back to the start of the second", Stamp::Make(1, 1, 2020, 0, 0, 12, 34),
       [](Stamp& s) { PackedTime::AddMilliseconds(s, -340); }, "01.01.2020 00:00:12.00"},
      {"back over a second borrows", Stamp::Make(1, 1, 2020, 0, 0, 12, 34),
       [](Stamp& s) { PackedTime::AddMilliseconds(s, -345); }, "01.01.2020 00:00:11.99"},
      {"back over the day", Stamp::Make(1, 1, 2020),
       [](Stamp& s) { PackedTime::AddMilliseconds(s, -86400000); }, "31.12.2019 00:00:00.00"},
      {"start of week from a Wednesday", Stamp::Make(3, 1, 2024, 13, 45, 12, 50), PackedTime::StartOfWeek,
       "01.01.2024 00:00:00.00"},
      {"start of week from a Sunday", Stamp::Make(7, 1, 2024, 23, 59, 59, 99), PackedTime::StartOfWeek,
       "01.01.2024 00:00:00.00"},
      {"start of week over a month", Stamp::Make(2, 3, 2024), PackedTime::StartOfWeek, "26.02.2024 00:00:00.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Stamp s = c.from;
    c.step(s);
    EXPECT_EQ(Text(s), c.expected);
  }
}

TEST(PackedDateTime, WeekdayByteOnlyMovesWithStartOfWeek)
{
  Stamp s = Stamp::Make(3, 1, 2024);  // Wednesday
  ASSERT_EQ(s.WeekdayByte(), 2);
  PackedTime::AddDays(s, 1);
  EXPECT_EQ(s.WeekdayByte(), 2);
  PackedTime::StartOfWeek(s);
  EXPECT_EQ(s.WeekdayByte(), 0);
}

TEST(PackedDateTime, Differences)
{
  const Stamp a = Stamp::Make(1, 3, 2024, 0, 0, 1);
  const Stamp b = Stamp::Make(28, 2, 2024, 23, 59, 59);
  EXPECT_EQ(PackedTime::DaysBetween(Stamp::Make(1, 3, 2024).date, Stamp::Make(28, 2, 2023).date), 367);
  EXPECT_EQ(PackedTime::DaysBetween(Stamp::Make(31, 12, 2099).date, Stamp::Make(1, 1, 2000).date), 36524);
  EXPECT_EQ(PackedTime::DaysBetween(Stamp::Make(3, 1, 2024).date, Stamp::Make(1, 1, 2000).date), 8768);
  EXPECT_EQ(PackedTime::SecondsBetween(a, b), 86402);
  EXPECT_EQ(PackedTime::SecondsBetween(b, a), -86402);
  EXPECT_EQ(PackedTime::HundredthsBetween(a, b), 8640200);
  EXPECT_EQ(PackedTime::MillisecondsBetween(a, b), 86402000);
  EXPECT_EQ(PackedTime::HoursBetween(a, b), 2 * 24 - 23);  // minutes ignored
  EXPECT_EQ(PackedTime::MonthsBetween(Stamp::Make(1, 3, 2024), Stamp::Make(31, 12, 2023)), 3);
  EXPECT_EQ(PackedTime::WeeksBetween(Stamp::Make(7, 1, 2024), Stamp::Make(1, 1, 2024)), 0);
  EXPECT_EQ(PackedTime::WeeksBetween(Stamp::Make(8, 1, 2024), Stamp::Make(7, 1, 2024)), 1);
  EXPECT_EQ(PackedTime::WeeksBetween(Stamp::Make(1, 1, 2024), Stamp::Make(31, 12, 2023)), 1);
}

TEST(PackedDateTime, ComparisonIgnoresTheWeekday)
{
  Stamp a = Stamp::Make(5, 6, 2023, 10, 0, 0);
  Stamp b = a;
  b.date = (b.date & 0xFFFFFF00) | 6;
  EXPECT_EQ(PackedTime::CompareDateTime(a, b), 0);
  EXPECT_EQ(PackedTime::CompareDateTime(a, Stamp::Make(5, 6, 2023, 10, 0, 0, 1)), -1);
  EXPECT_EQ(PackedTime::CompareDateTime(Stamp::Make(1, 1, 2024), Stamp::Make(31, 12, 2023, 23, 59, 59, 99)), 1);

  const Stamp from = Stamp::Make(1, 6, 2023, 12, 0, 0);
  const Stamp to = Stamp::Make(5, 6, 2023, 8, 0, 0);
  EXPECT_TRUE(PackedTime::InDateRange(Stamp::Make(1, 6, 2023), from, to));  // dates only
  EXPECT_FALSE(PackedTime::InDateRange(Stamp::Make(5, 6, 2023), from, to));
  EXPECT_FALSE(PackedTime::InRange(Stamp::Make(1, 6, 2023), from, to));
  EXPECT_TRUE(PackedTime::InRange(from, from, to));
  EXPECT_FALSE(PackedTime::InRange(to, from, to));
}

TEST(PackedDateTime, IntersectRanges)
{
  const Stamp d1 = Stamp::Make(1, 1, 2024), d5 = Stamp::Make(5, 1, 2024), d3 = Stamp::Make(3, 1, 2024),
              d9 = Stamp::Make(9, 1, 2024);
  Stamp from, to;
  EXPECT_TRUE(PackedTime::IntersectRanges(d1, d5, d3, d9, from, to));
  EXPECT_EQ(Text(from), Text(d3));
  EXPECT_EQ(Text(to), Text(d5));
  EXPECT_FALSE(PackedTime::IntersectRanges(d1, d3, d3, d9, from, to));  // touching half-open ranges

  Stamp fromB = d3, toB = d9;
  EXPECT_TRUE(PackedTime::IntersectRanges(d1, d5, fromB, toB));
  EXPECT_EQ(Text(fromB), Text(d3));
  EXPECT_EQ(Text(toB), Text(d5));
}

TEST(PackedDateTime, SummerTimeChangeoverDays)
{
  struct Case {
    int year, march, october;
  } const cases[] = {{2000, 26, 29}, {2001, 25, 28}, {2021, 28, 31}, {2023, 26, 29},
                     {2024, 31, 27}, {2038, 28, 31}, {2099, 29, 25}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.year);
    EXPECT_EQ(PackedTime::LastSundayOfMarch(c.year), c.march);
    EXPECT_EQ(PackedTime::LastSundayOfOctober(c.year), c.october);
  }
}

TEST(PackedDateTime, IsSummerTime)
{
  struct Case {
    const char* name;
    Stamp at;
    bool summer;
  } const cases[] = {
      {"26 March 2023 01:59", Stamp::Make(26, 3, 2023, 1, 59, 59, 99), false},
      {"26 March 2023 02:00", Stamp::Make(26, 3, 2023, 2, 0, 0), true},
      {"25 March 2023 23:00", Stamp::Make(25, 3, 2023, 23, 0, 0), false},
      {"27 March 2023 00:00", Stamp::Make(27, 3, 2023), true},
      {"29 October 2023 01:59", Stamp::Make(29, 10, 2023, 1, 59, 0), true},
      {"29 October 2023 02:00", Stamp::Make(29, 10, 2023, 2, 0, 0), false},
      {"30 October 2023", Stamp::Make(30, 10, 2023), false},
      {"February", Stamp::Make(28, 2, 2023, 12, 0, 0), false},
      {"July", Stamp::Make(15, 7, 2023), true},
      {"December", Stamp::Make(31, 12, 2023), false},
      {"31 March 2024 is the changeover", Stamp::Make(31, 3, 2024, 1, 0, 0), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PackedTime::IsSummerTime(c.at.date, c.at.time), c.summer);
  }
}

TEST(PackedDateTime, SummerTimeShift)
{
  struct Case {
    const char* name;
    Stamp at;
    bool toSummer;  // else from
    int offset;
    const char* expected;
  } const cases[] = {
      {"to: summer stamp moves", Stamp::Make(26, 3, 2023, 2, 0, 0), true, 1, "26.03.2023 03:00:00.00"},
      {"to: winter stamp stays", Stamp::Make(26, 3, 2023, 1, 59, 0), true, 1, "26.03.2023 01:59:00.00"},
      {"to: no offset", Stamp::Make(15, 7, 2023), true, 0, "15.07.2023 00:00:00.00"},
      {"to: over midnight", Stamp::Make(15, 7, 2023, 23, 30, 0), true, 1, "16.07.2023 00:30:00.00"},
      {"from: shifted start is 03:00", Stamp::Make(26, 3, 2023, 3, 0, 0), false, 1, "26.03.2023 02:00:00.00"},
      {"from: before the shifted start", Stamp::Make(26, 3, 2023, 2, 30, 0), false, 1, "26.03.2023 02:30:00.00"},
      {"from: before the shifted end", Stamp::Make(29, 10, 2023, 2, 30, 0), false, 1, "29.10.2023 01:30:00.00"},
      {"from: at the shifted end", Stamp::Make(29, 10, 2023, 3, 0, 0), false, 1, "29.10.2023 03:00:00.00"},
      {"from: back over midnight", Stamp::Make(16, 7, 2023, 0, 30, 0), false, 1, "15.07.2023 23:30:00.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Stamp s = c.at;
    if (c.toSummer)
      PackedTime::ToSummerTime(s, c.offset);
    else
      PackedTime::FromSummerTime(s, c.offset);
    EXPECT_EQ(Text(s), c.expected);
  }
}

}  // namespace
