#pragma once

#include <cstdint>
#include <span>

// The recorder's packed local time stamp: 8 bytes, years 2000 to 2099, hundredths of a
// second. Stored as two little-endian words:
//   date word: byte 0 weekday (0 = Monday), 1 day, 2 month, 3 year − 2000
//   time word: byte 4 hundredths, 5 seconds, 6 minutes, 7 hours
// With the weekday masked off, the words order by year, month, day and then by hours,
// minutes, seconds, hundredths, so comparisons are plain word comparisons.
namespace PackedTime {

struct Stamp {
  std::uint32_t date = 0;
  std::uint32_t time = 0;

  static Stamp Make(int day, int month, int year, int hours = 0, int minutes = 0, int seconds = 0,
                    int hundredths = 0);
  // Bytes 0–7 as the recorder stores them; EByteRange when fewer than 8.
  static Stamp FromBytes(std::span<const std::uint8_t> bytes);
  void ToBytes(std::span<std::uint8_t> bytes) const;

  int WeekdayByte() const { return date & 0xFF; }
  int Day() const { return date >> 8 & 0xFF; }
  int Month() const { return date >> 16 & 0xFF; }
  int Year() const { return 2000 + static_cast<int>(date >> 24); }  // full year
  int Hundredths() const { return time & 0xFF; }
  int Seconds() const { return time >> 8 & 0xFF; }
  int Minutes() const { return time >> 16 & 0xFF; }
  int Hours() const { return static_cast<int>(time >> 24); }
};

// Validity.
bool IsValidDate(std::uint32_t date);  // year below 100, month 1..12, day within the month
bool IsValidTime(std::uint32_t time);  // hours up to 23, minutes and seconds below 60
bool IsValidDMY(int day, int month, int year);  // full year 2000..2099
bool IsValid(const Stamp& stamp);

// Calendar (Gregorian; full years).
bool IsLeapYear(int year);
int DaysInYear(int year);
int DaysInMonth(int month, int year);
int DayOfYear(int day, int month, int year);  // 1 January is 1
int JulianDay(int day, int month, int year);  // 1 January 2000 is 2451545
int Weekday(const Stamp& stamp);              // from the date: 0 = Monday … 6 = Sunday
// Writes the weekday byte from the date; returns JulianDay / 7.
int SetWeekday(Stamp& stamp);

// Arithmetic: a signed amount, carried into the larger units (and borrowed from them).
// The weekday byte is left as it was, except by StartOfWeek.
void DateTimeAddHundredths(Stamp& stamp, std::int64_t hundredths);
void AddSeconds(Stamp& stamp, std::int64_t seconds);
void AddMinutes(Stamp& stamp, std::int64_t minutes);
void AddHours(Stamp& stamp, std::int64_t hours);
void AddDays(Stamp& stamp, std::int64_t days);
// The day is kept, but never past the end of the target month: 31 January plus one
// month is 28 (or 29) February.
void AddMonths(Stamp& stamp, int months);
// 29 February becomes 1 March in a common year.
void AddYears(Stamp& stamp, int years);
// Whole hundredths of the result: from a second on the milliseconds are rounded,
// below it they are dropped (the recorder's own rule).
void AddMilliseconds(Stamp& stamp, std::int64_t milliseconds);
// Back to Monday 00:00:00.00 of the same week; the weekday byte becomes 0.
void StartOfWeek(Stamp& stamp);

// Differences, first minus second.
int DaysBetween(std::uint32_t dateA, std::uint32_t dateB);
std::int64_t HoursBetween(const Stamp& a, const Stamp& b);  // minutes are ignored
int WeeksBetween(const Stamp& a, const Stamp& b);           // between the weeks' Mondays
int MonthsBetween(const Stamp& a, const Stamp& b);          // calendar months, days ignored
std::int64_t SecondsBetween(const Stamp& a, const Stamp& b);
std::int64_t HundredthsBetween(const Stamp& a, const Stamp& b);
std::int64_t MillisecondsBetween(const Stamp& a, const Stamp& b);

// Ordering; the weekday byte is ignored.
int CompareDateTime(const Stamp& a, const Stamp& b);  // −1, 0 or 1
bool InDateRange(const Stamp& x, const Stamp& from, const Stamp& to);  // from's date ≤ x's date < to's date
bool InRange(const Stamp& x, const Stamp& from, const Stamp& to);      // from ≤ x < to

// The common part of the half-open ranges [fromA, toA) and [fromB, toB); false when it is
// empty. This form writes it over the second range.
bool IntersectRanges(const Stamp& fromA, const Stamp& toA, Stamp& fromB, Stamp& toB);
bool IntersectRanges(const Stamp& fromA, const Stamp& toA, const Stamp& fromB, const Stamp& toB, Stamp& from,
                     Stamp& to);

// European summer time: from the last Sunday of March 02:00 to the last Sunday of
// October 02:00, local time.
int LastSundayOfMarch(int year);
int LastSundayOfOctober(int year);
bool IsSummerTime(std::uint32_t date, std::uint32_t time);
// Adds offsetHours when it is not 0 and the stamp is in summer time.
void ToSummerTime(Stamp& stamp, int offsetHours);
// Subtracts offsetHours when the stamp, already shifted by it, lies in summer time.
void FromSummerTime(Stamp& stamp, int offsetHours);

}  // namespace PackedTime
