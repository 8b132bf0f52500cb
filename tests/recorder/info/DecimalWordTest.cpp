#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "recorder/info/DecimalWord.h"

// Word values come from values_vectors.py (values_vectors.txt beside it) or by hand.

namespace {

struct NormalizeCase {
  const char* name;
  int mantissa, decimals, minPrec, maxPrec, min, max;
  int expectedMantissa, expectedDecimals;
};

TEST(NormalizeDecimal, Table)
{
  const NormalizeCase cases[] = {
      {"fits as it is", 12345, 3, 1, 4, -99999, 99999, 12345, 3},
      {"mantissa bound drops a decimal, rounding", 12345, 3, 1, 4, -9999, 9999, 1235, 2},
      {"stepwise rounding, one decimal at a time", 1449, 4, 2, 2, -9999, 9999, 15, 2},
      {"stepwise rounding, negative", -1449, 4, 2, 2, -9999, 9999, -15, 2},
      {"zero becomes Z, stripped to the least decimals", 0, 5, 1, 4, -99999, 99999, 0, 1},
      {"zero under a positive minimum becomes the minimum", 0, 5, 1, 4, 1, 99999, 1, 4},
      {"negative under a non-negative minimum becomes Z", -7, 0, 2, 2, 0, 9900, 0, 2},
      {"scaled up to the least decimals", 5, 0, 2, 2, 100, 22000, 500, 2},
      {"below the minimum at the greatest decimals", 50, 2, 2, 2, 100, 22000, 100, 2},
      {"scale-up saturates at the int range", 3, 0, 9, 9, INT_MIN, INT_MAX, INT_MAX, 9},
      {"scale-up saturates, negative", -3, 0, 9, 9, INT_MIN, INT_MAX, INT_MIN, 9},
      {"trailing zeros removed", 1500, 3, 0, 9, INT_MIN, INT_MAX, 15, 1},
      {"too large even at the least decimals", 250000, 0, 1, 1, 0, 250, 250, 1},
      {"too small even at the least decimals", -250000, 0, 2, 2, -9999, 9999, -9999, 2},
      {"bound first, then the greatest decimals", 123456789, 9, 0, 6, -9999999, 9999999, 123457, 6},
      {"half rounds away from zero", 125, 3, 2, 2, -9999, 9999, 13, 2},
      {"half rounds away from zero, negative", -125, 3, 2, 2, -9999, 9999, -13, 2},
      {"rounds to nothing, then Z at the greatest decimals", 4, 3, 1, 2, 1, 9999, 1, 2},
      {"the int minimum divides without overflow", INT_MIN, 3, 0, 2, INT_MIN, INT_MAX, -214748365, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int m = c.mantissa, d = c.decimals;
    NormalizeDecimal(m, d, c.minPrec, c.maxPrec, c.min, c.max);
    EXPECT_EQ(m, c.expectedMantissa);
    EXPECT_EQ(d, c.expectedDecimals);
  }
}

TEST(NormalizeDecimal, WildDecimalCountsEndAtOnce)
{
  // No caller passes these, but they must neither overflow nor loop for long.
  int m = 7, d = INT_MIN;
  NormalizeDecimal(m, d, 1, 6, -9999999, 9999999);
  EXPECT_EQ(m, 9999999);
  EXPECT_EQ(d, 1);

  m = 7;
  d = INT_MAX;
  NormalizeDecimal(m, d, 1, 6, -9999999, 9999999);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(d, 1);

  m = 7;
  d = INT_MAX;
  NormalizeDecimal(m, d, 1, 6, 1, 9999999);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 6);
}

TEST(RoundToInt, HalvesAwayFromZero)
{
  struct Case {
    const char* name;
    double x;
    int expected;
  } const cases[] = {
      {"2.5", 2.5, 3},
      {"-2.5", -2.5, -3},
      {"0.5", 0.5, 1},
      {"-0.5", -0.5, -1},
      {"below a half", 0.49999999999999994, 0},  // floor(x + 0.5) would give 1
      {"1.4999999", 1.4999999, 1},
      {"-1.5000001", -1.5000001, -2},
      {"int maximum", 2147483647.4, INT_MAX},
      {"past the int maximum saturates", 3e9, INT_MAX},
      {"int minimum", -2147483648.4, INT_MIN},
      {"past the int minimum saturates", -3e9, INT_MIN},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), 0},
      {"infinity", std::numeric_limits<double>::infinity(), INT_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RoundToInt(c.x), c.expected);
  }
  // 2^23 + 1 has no half in single precision; adding 0.5 in float would round to even.
  EXPECT_EQ(RoundToInt(8388609.0f), 8388609);
  EXPECT_EQ(RoundToInt(-2.5f), -3);
}

TEST(DecimalDigits, Table)
{
  struct Case {
    double x;
    int expected;
  } const cases[] = {
      {0, 1},       {9.99, 1},       {-9.99, 1},          {10, 2},    {99.5, 2},
      {-100, 3},    {999.999, 3},    {1000, 4},           {9999999.9, 7},
      {1e7, 8},     {99999999.9, 8}, {1e8, 9},            {1e15, 16}, {123456789012.0, 12},
      {std::numeric_limits<double>::infinity(), 309},     {std::numeric_limits<double>::quiet_NaN(), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(DecimalDigits(c.x), c.expected);
  }
}

TEST(DecimalWord, FromFloatVectors)
{
  struct Case {
    float x;
    int decimals;
    std::uint32_t word;
  } const cases[] = {
      {-1.5f, 1, 0x1FFFFFF1},     {1.5f, 1, 0x1000000F},   {1.49f, 2, 0x20000095}, {999999.9f, 1, 0x1098967F},
      {12.345f, 3, 0x30003039},   {0.0f, 3, 0x30000000},   {100.0f, 3, 0x300186A0}, {2.5f, 0, 0x00000003},
      {-2.5f, 0, 0x0FFFFFFD},     {0.05f, 1, 0x10000001},  {-0.05f, 1, 0x1FFFFFFF},
      {1.5f, 9, 0x1000000F},  // decimals are taken modulo 8
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " with " << c.decimals);
    EXPECT_EQ(FloatToDecimalWord(c.x, static_cast<std::uint8_t>(c.decimals)), c.word);
  }
}

TEST(DecimalWord, MantissaBeyond28BitsSaturates)
{
  // 13421772.7 at one decimal is 2^27: the low 28 bits alone would read back as -2^27.
  EXPECT_EQ(FloatToDecimalWord(13421772.7f, 1), 0x17FFFFFFu);
  EXPECT_EQ(FloatToDecimalWord(-13421773.7f, 1), 0x18000000u);
  EXPECT_EQ(DecimalWordMantissa(0x18000000u), -(1 << 27));
  EXPECT_EQ(PackDecimalWord(1 << 27, 0), 0x07FFFFFFu);
}

TEST(DecimalWord, ReadIgnoresBit31)
{
  EXPECT_EQ(DecimalWordToFloat(0x9000000F), 1.5f);
  EXPECT_EQ(DecimalWordToFloat(0x1000000F), 1.5f);
  EXPECT_EQ(DecimalWordToFloat(0x1FFFFFF1), -1.5f);
  EXPECT_EQ(DecimalWordToFloat(0x30003039), 12.345f);
  EXPECT_EQ(DecimalWordToFloat(0x70000001), 1e-7f);
  EXPECT_EQ(DecimalWordMantissa(0x8FFFFFFF), -1);
  EXPECT_EQ(DecimalWordDecimals(0xF0000000), 7);
}

TEST(DecimalWord, InRange)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    std::uint32_t got;
    std::uint32_t expected;
  } const cases[] = {
      {"too large: the maximum at the least decimals",
       FloatToDecimalWordInRange(12345678.0, 1, 6, -9999999, 9999999), 0x1098967F},
      {"too small: the minimum", FloatToDecimalWordInRange(-12345678.0, 1, 6, -9999999, 9999999), 0x1F676981},
      {"float form: 999999.9 is 999999.875 and its product rounds in single precision",
       FloatToDecimalWordInRange(999999.9f, 1, 6, -9999999, 9999999), 0x1098967E},
      {"double form keeps 999999.9", FloatToDecimalWordInRange(999999.9, 1, 6, -9999999, 9999999), 0x1098967F},
      {"1.49", FloatToDecimalWordInRange(1.49f, 1, 6, -9999999, 9999999), 0x20000095},
      {"12.345", FloatToDecimalWordInRange(12.345f, 1, 6, -9999999, 9999999), 0x30003039},
      {"0.1 keeps its least decimal", FloatToDecimalWordInRange(0.1f, 1, 6, -9999999, 9999999), 0x10000001},
      {"zero under a positive minimum", FloatToDecimalWordInRange(0.0f, 1, 6, 1, 9999999), 0x60000001},
      {"16-bit limits, integer", FloatToDecimalWordInRange(70000.0f, 0, 3, 0, 65535), 0x0000FFFF},
      {"NaN: the zero value", FloatToDecimalWordInRange(nan, 1, 6, -9999999, 9999999), 0x10000000},
      {"NaN under a positive minimum", FloatToDecimalWordInRange(nan, 1, 6, 1, 9999999), 0x60000001},
      {"infinity: the maximum", FloatToDecimalWordInRange(inf, 1, 6, -9999999, 9999999), 0x1098967F},
      {"minus infinity: the minimum", FloatToDecimalWordInRange(-inf, 1, 6, -9999999, 9999999), 0x1F676981},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got, c.expected);
  }
}

TEST(DecimalWord, Compare)
{
  struct Case {
    const char* name;
    std::uint32_t a, b;
    int expected;
  } const cases[] = {
      {"1.5 above 1.49", 0x1000000F, 0x20000095, 1},
      {"1.49 below 1.5", 0x20000095, 0x1000000F, -1},
      {"1.5 equals 1.50", 0x1000000F, 0x20000096, 0},
      {"bit 31 ignored", 0x9000000F, 0x1000000F, 0},
      {"-1.5 below 0.01", 0x1FFFFFF1, 0x20000001, -1},
      {"1 equals 1.0000000", 0x00000001, 0x70989680, 0},
      {"largest mantissa at 0 decimals above it at 7", 0x07FFFFFF, 0x77FFFFFF, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CompareDecimalWords(c.a, c.b), c.expected);
  }
}

}  // namespace
