#include "recorder/info/PackedDateTime.h"

#include "platform/Bytes.h"

namespace PackedTime {

namespace {

constexpr std::uint32_t kDateMask = 0xFFFFFF00u;  // the weekday byte does not order

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

void SetDate(Stamp& s, int day, int month, int year)
{
  s.date = (s.date & 0xFF) | std::uint32_t(day & 0xFF) << 8 | std::uint32_t(month & 0xFF) << 16 |
           std::uint32_t((year - 2000) & 0xFF) << 24;
}

void SetTime(Stamp& s, int hours, int minutes, int seconds, int hundredths)
{
  s.time = std::uint32_t(hundredths & 0xFF) | std::uint32_t(seconds & 0xFF) << 8 |
           std::uint32_t(minutes & 0xFF) << 16 | std::uint32_t(hours & 0xFF) << 24;
}

int JulianDayOf(const Stamp& s) { return JulianDay(s.Day(), s.Month(), s.Year()); }

// The calendar date of a day number (the inverse of JulianDay).
void DateFromJulianDay(std::int64_t jd, int& day, int& month, int& year)
{
  std::int64_t a = jd + 32044;
  std::int64_t b = FloorDiv(4 * a + 3, 146097);
  std::int64_t c = a - FloorDiv(146097 * b, 4);
  std::int64_t d = FloorDiv(4 * c + 3, 1461);
  std::int64_t e = c - FloorDiv(1461 * d, 4);
  std::int64_t m = (5 * e + 2) / 153;
  day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  month = static_cast<int>(m + 3 - 12 * (m / 10));
  year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

// Adds amount to a field that wraps at base and hands the carry (or the borrow) on.
std::int64_t Wrap(int field, std::int64_t amount, int base, int& result)
{
  std::int64_t sum = field + amount;
  std::int64_t carry = FloorDiv(sum, base);
  result = static_cast<int>(sum - carry * base);
  return carry;
}

int LastSunday(int month, int year)
{
  int weekdayOf31st = JulianDay(31, month, year) % 7;  // 6 is Sunday
  return 31 - (weekdayOf31st + 1) % 7;
}

std::int64_t SecondOfDay(const Stamp& s) { return s.Hours() * 3600 + s.Minutes() * 60 + s.Seconds(); }

const Stamp& Later(const Stamp& a, const Stamp& b) { return CompareDateTime(a, b) >= 0 ? a : b; }
const Stamp& Earlier(const Stamp& a, const Stamp& b) { return CompareDateTime(a, b) <= 0 ? a : b; }

}  // namespace

Stamp Stamp::Make(int day, int month, int year, int hours, int minutes, int seconds, int hundredths)
{
  Stamp s;
  SetDate(s, day, month, year);
  SetTime(s, hours, minutes, seconds, hundredths);
  SetWeekday(s);
  return s;
}

Stamp Stamp::FromBytes(std::span<const std::uint8_t> bytes)
{
  ByteReader r(bytes, "date and time");
  return {r.u32(0), r.u32(4)};
}

void Stamp::ToBytes(std::span<std::uint8_t> bytes) const
{
  ByteWriter w(bytes, "date and time");
  w.u32(0, date);
  w.u32(4, time);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInYear(int year) { return IsLeapYear(year) ? 366 : 365; }

int DaysInMonth(int month, int year)
{
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfYear(int day, int month, int year)
{
  static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  if (month < 1 || month > 12) return 0;
  return day + kBefore[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0);
}

int JulianDay(int day, int month, int year)
{
  int a = (14 - month) / 12;
  int y = year + 4800 - a;
  int m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

bool IsValidDMY(int day, int month, int year)
{
  return year >= 2000 && year <= 2099 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(month, year);
}

bool IsValidDate(std::uint32_t date)
{
  Stamp s{date, 0};
  return (date >> 24) < 100 && IsValidDMY(s.Day(), s.Month(), s.Year());
}

bool IsValidTime(std::uint32_t time)
{
  Stamp s{0, time};
  return s.Hours() <= 23 && s.Minutes() < 60 && s.Seconds() < 60;
}

bool IsValid(const Stamp& stamp) { return IsValidDate(stamp.date) && IsValidTime(stamp.time); }

int Weekday(const Stamp& stamp) { return JulianDayOf(stamp) % 7; }

int SetWeekday(Stamp& stamp)
{
  int jd = JulianDayOf(stamp);
  stamp.date = (stamp.date & kDateMask) | std::uint32_t(jd % 7);
  return jd / 7;
}

void DateTimeAddHundredths(Stamp& stamp, std::int64_t hundredths)
{
  int value;
  std::int64_t carry = Wrap(stamp.Hundredths(), hundredths, 100, value);
  SetTime(stamp, stamp.Hours(), stamp.Minutes(), stamp.Seconds(), value);
  if (carry != 0) AddSeconds(stamp, carry);
}

void AddSeconds(Stamp& stamp, std::int64_t seconds)
{
  int value;
  std::int64_t carry = Wrap(stamp.Seconds(), seconds, 60, value);
  SetTime(stamp, stamp.Hours(), stamp.Minutes(), value, stamp.Hundredths());
  if (carry != 0) AddMinutes(stamp, carry);
}

void AddMinutes(Stamp& stamp, std::int64_t minutes)
{
  int value;
  std::int64_t carry = Wrap(stamp.Minutes(), minutes, 60, value);
  SetTime(stamp, stamp.Hours(), value, stamp.Seconds(), stamp.Hundredths());
  if (carry != 0) AddHours(stamp, carry);
}

void AddHours(Stamp& stamp, std::int64_t hours)
{
  int value;
  std::int64_t carry = Wrap(stamp.Hours(), hours, 24, value);
  SetTime(stamp, value, stamp.Minutes(), stamp.Seconds(), stamp.Hundredths());
  if (carry != 0) AddDays(stamp, carry);
}

void AddDays(Stamp& stamp, std::int64_t days)
{
  int day, month, year;
  DateFromJulianDay(JulianDayOf(stamp) + days, day, month, year);
  SetDate(stamp, day, month, year);
}

void AddMonths(Stamp& stamp, int months)
{
  std::int64_t index = std::int64_t{stamp.Year()} * 12 + (stamp.Month() - 1) + months;
  int year = static_cast<int>(FloorDiv(index, 12));
  int month = static_cast<int>(index - std::int64_t{year} * 12) + 1;
  int day = stamp.Day();
  if (day > DaysInMonth(month, year)) day = DaysInMonth(month, year);
  SetDate(stamp, day, month, year);
}

void AddYears(Stamp& stamp, int years)
{
  int year = stamp.Year() + years;
  if (stamp.Month() == 2 && stamp.Day() == 29 && !IsLeapYear(year))
    SetDate(stamp, 1, 3, year);
  else
    SetDate(stamp, stamp.Day(), stamp.Month(), year);
}

void AddMilliseconds(Stamp& stamp, std::int64_t milliseconds)
{
  std::int64_t t = 10 * std::int64_t{stamp.Hundredths()} + milliseconds;
  std::int64_t seconds = 0;
  if (t >= 1000) {
    t += 5;
    seconds = t / 1000;
  } else if (t < 0) {
    // A borrow: whole seconds back, the rest of the millisecond count dropped like
    // the case below a second.
    seconds = FloorDiv(t, 1000);
  }
  int hundredths = static_cast<int>((t - seconds * 1000) / 10);
  SetTime(stamp, stamp.Hours(), stamp.Minutes(), stamp.Seconds(), hundredths);
  if (seconds != 0) AddSeconds(stamp, seconds);
}

void StartOfWeek(Stamp& stamp)
{
  AddDays(stamp, -Weekday(stamp));
  stamp.date &= kDateMask;
  stamp.time = 0;
}

int DaysBetween(std::uint32_t dateA, std::uint32_t dateB)
{
  return JulianDayOf(Stamp{dateA, 0}) - JulianDayOf(Stamp{dateB, 0});
}

std::int64_t HoursBetween(const Stamp& a, const Stamp& b)
{
  return std::int64_t{DaysBetween(a.date, b.date)} * 24 + (a.Hours() - b.Hours());
}

int WeeksBetween(const Stamp& a, const Stamp& b)
{
  Stamp mondayA = a, mondayB = b;
  StartOfWeek(mondayA);
  StartOfWeek(mondayB);
  return DaysBetween(mondayA.date, mondayB.date) / 7;
}

int MonthsBetween(const Stamp& a, const Stamp& b) { return 12 * (a.Year() - b.Year()) + (a.Month() - b.Month()); }

std::int64_t SecondsBetween(const Stamp& a, const Stamp& b)
{
  return std::int64_t{DaysBetween(a.date, b.date)} * 86400 + (SecondOfDay(a) - SecondOfDay(b));
}

std::int64_t HundredthsBetween(const Stamp& a, const Stamp& b)
{
  return SecondsBetween(a, b) * 100 + (a.Hundredths() - b.Hundredths());
}

std::int64_t MillisecondsBetween(const Stamp& a, const Stamp& b) { return HundredthsBetween(a, b) * 10; }

int CompareDateTime(const Stamp& a, const Stamp& b)
{
  std::uint32_t da = a.date & kDateMask, db = b.date & kDateMask;
  if (da != db) return da < db ? -1 : 1;
  if (a.time != b.time) return a.time < b.time ? -1 : 1;
  return 0;
}

bool InDateRange(const Stamp& x, const Stamp& from, const Stamp& to)
{
  std::uint32_t d = x.date & kDateMask;
  return (from.date & kDateMask) <= d && d < (to.date & kDateMask);
}

bool InRange(const Stamp& x, const Stamp& from, const Stamp& to)
{
  return CompareDateTime(from, x) <= 0 && CompareDateTime(x, to) < 0;
}

bool IntersectRanges(const Stamp& fromA, const Stamp& toA, const Stamp& fromB, const Stamp& toB, Stamp& from,
                     Stamp& to)
{
  Stamp start = Later(fromA, fromB);
  Stamp end = Earlier(toA, toB);
  from = start;
  to = end;
  return CompareDateTime(start, end) < 0;
}

bool IntersectRanges(const Stamp& fromA, const Stamp& toA, Stamp& fromB, Stamp& toB)
{
  return IntersectRanges(fromA, toA, fromB, toB, fromB, toB);
}

int LastSundayOfMarch(int year) { return LastSunday(3, year); }
int LastSundayOfOctober(int year) { return LastSunday(10, year); }

bool IsSummerTime(std::uint32_t date, std::uint32_t time)
{
  Stamp s{date, time};
  int month = s.Month();
  if (month < 3 || month > 10) return false;
  if (month > 3 && month < 10) return true;
  if (month == 3) {
    int change = LastSundayOfMarch(s.Year());
    return s.Day() > change || (s.Day() == change && s.Hours() >= 2);
  }
  int change = LastSundayOfOctober(s.Year());
  return s.Day() < change || (s.Day() == change && s.Hours() < 2);
}

void ToSummerTime(Stamp& stamp, int offsetHours)
{
  if (offsetHours != 0 && IsSummerTime(stamp.date, stamp.time)) AddHours(stamp, offsetHours);
}

void FromSummerTime(Stamp& stamp, int offsetHours)
{
  if (offsetHours == 0) return;
  int year = stamp.Year();
  Stamp start = Stamp::Make(LastSundayOfMarch(year), 3, year, 2);
  Stamp end = Stamp::Make(LastSundayOfOctober(year), 10, year, 2);
  AddHours(start, offsetHours);
  AddHours(end, offsetHours);
  if (InRange(stamp, start, end)) AddHours(stamp, -offsetHours);
}

}  // namespace PackedTime
