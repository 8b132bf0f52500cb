#pragma once

#include <climits>
#include <cstdint>

// Exact decimals: a value is mantissa × 10^−decimals. The newer device records carry one
// in a packed decimal word:
//   bits 0–27   mantissa, 28-bit two's complement (−134217728..134217727)
//   bits 28–30  number of decimals, 0..7
//   bit 31      written as 0, ignored when read

inline constexpr int kDecimalWordMantissaMin = -(1 << 27);
inline constexpr int kDecimalWordMantissaMax = (1 << 27) - 1;
inline constexpr int kDecimalWordMaxDecimals = 7;

// Round to the nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3). Every
// float-to-integer conversion of the decimal values goes through these. Beyond the int
// range the result saturates at INT_MIN or INT_MAX; NaN gives 0.
inline int RoundToInt(double x)
{
  if (!(x > -2147483648.5 && x < 2147483647.5)) return x > 0 ? INT_MAX : x < 0 ? INT_MIN : 0;
  int whole = static_cast<int>(x);  // truncates toward zero
  double fraction = x - whole;      // exact: these are the fraction bits of x
  return whole + (fraction >= 0.5) - (fraction <= -0.5);
}
// A float widens to double exactly, so this rounds the float's own value.
inline int RoundToInt(float x) { return RoundToInt(static_cast<double>(x)); }

// The number of decimal digits of the integer part of |x|, 1 below 10 (10 -> 2,
// 99.5 -> 2, -100 -> 3). An infinity counts as 309 digits (more than any finite double),
// NaN as 1.
int DecimalDigits(double x);

// The value that stands for "zero" within mantissa limits min..max: 0 when exactly one of
// them is negative, otherwise min (so 1..99999 gives 1 and 0..9900 gives 0).
constexpr int DecimalZeroValue(int min, int max) { return (min < 0) != (max < 0) ? 0 : min; }

// Brings (mantissa, decimals) within minPrec..maxPrec decimals and minMantissa..
// maxMantissa. Decimals are removed one at a time, each step rounding half away from
// zero (0.1449 at 2 decimals is 0.15, not 0.14: stored files and the recorder expect
// exactly this), so a value keeps as many decimals as the mantissa bound allows (down to
// minPrec), never more than maxPrec, and ends without trailing zero decimals beyond
// minPrec. Too large even at minPrec: maxMantissa (or minMantissa) at minPrec. Zero, or
// a negative value under a non-negative minMantissa, becomes DecimalZeroValue.
void NormalizeDecimal(int& mantissa, int& decimals, int minPrec, int maxPrec, int minMantissa, int maxMantissa);

// Packs a normalised pair. The mantissa is clamped to the 28-bit range (the low 28 bits
// alone would turn 2^27 into −2^27); decimals must be 0..7 and are taken modulo 8.
std::uint32_t PackDecimalWord(int mantissa, int decimals);
// The mantissa sign-extended from bit 27, and the decimals; bit 31 is ignored.
inline int DecimalWordMantissa(std::uint32_t word)
{
  return static_cast<int>((word & 0x0FFFFFFFu) ^ 0x08000000u) - 0x08000000;
}
inline int DecimalWordDecimals(std::uint32_t word) { return static_cast<int>(word >> 28 & 7); }

// mantissa / 10^decimals, as a double and as the single-precision quotient that float
// record fields hold.
double DecimalToDouble(int mantissa, int decimals);
float DecimalToFloat(int mantissa, int decimals);

// mantissa / 10^decimals in single precision.
float DecimalWordToFloat(std::uint32_t word);

// RoundToInt(x × 10^(decimals & 7)), the product taken in single precision, with
// decimals & 7 as the word's decimals. A mantissa beyond 28 bits saturates at the
// 28-bit limit of its sign.
std::uint32_t FloatToDecimalWord(float x, std::uint8_t decimals);

// x taken with 8 significant digits, then normalised within the limits. |x| of 10^7 or
// more, or an infinity, gives maxMantissa (x > 0) or minMantissa with minPrec decimals;
// NaN gives the zero value of the limits. The float form multiplies in single precision,
// the double form in double.
std::uint32_t FloatToDecimalWordInRange(float x, int minPrec, int maxPrec, int minMantissa, int maxMantissa);
std::uint32_t FloatToDecimalWordInRange(double x, int minPrec, int maxPrec, int minMantissa, int maxMantissa);

// −1, 0 or 1 by value; equal values with different decimals (1.5 and 1.50) are equal.
int CompareDecimalWords(std::uint32_t a, std::uint32_t b);
