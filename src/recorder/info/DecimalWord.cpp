#include "recorder/info/DecimalWord.h"

#include <cmath>
#include <cstdint>

namespace {

// Every entry is exact: 10^10 = 2^10 × 5^10 and 5^10 < 2^24.
constexpr float kFloatPow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
// Exact up to 10^22 (5^22 < 2^53).
constexpr double kDoublePow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::int64_t kIntPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

constexpr int kFloatPowCount = sizeof kFloatPow10 / sizeof kFloatPow10[0];
constexpr int kDoublePowCount = sizeof kDoublePow10 / sizeof kDoublePow10[0];

double Pow10(int n) { return n >= 0 && n < kDoublePowCount ? kDoublePow10[n] : std::pow(10.0, n); }

// m / 10 rounded half away from zero.
int DivideBy10Rounded(int m)
{
  int q = m / 10;
  int r = m % 10;
  return r >= 5 ? q + 1 : r <= -5 ? q - 1 : q;
}

// Drops one decimal at a time, rounding at each step, while d > floor and more(m) holds.
// A zero mantissa stays zero, so the rest go at once: a wild decimal count costs no
// long loop.
template <typename More>
void DropDecimals(int& m, int& d, int floor, More more)
{
  while (d > floor && more(m)) {
    if (m == 0) {
      d = floor;
      return;
    }
    m = DivideBy10Rounded(m);
    --d;
  }
}

int ClampToInt(std::int64_t v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }

// The common tail of both FloatToDecimalWordInRange forms once x has been scaled to
// 8 significant digits.
std::uint32_t PackInRange(int mantissa, int decimals, int minPrec, int maxPrec, int minMantissa, int maxMantissa)
{
  NormalizeDecimal(mantissa, decimals, minPrec, maxPrec, minMantissa, maxMantissa);
  return PackDecimalWord(mantissa, decimals);
}

}  // namespace

int DecimalDigits(double x)
{
  double a = std::fabs(x);
  if (!(a >= 10)) return 1;  // NaN as well
  if (std::isinf(a)) return 309;
  int e;
  std::frexp(a, &e);
  int k = e * 3 / 10;
  while (Pow10(k + 1) < a) ++k;
  while (a < Pow10(k)) --k;
  return k + 1;
}

void NormalizeDecimal(int& m, int& d, int minPrec, int maxPrec, int minMantissa, int maxMantissa)
{
  const int zero = DecimalZeroValue(minMantissa, maxMantissa);
  if (m == 0 || (m < 0 && minMantissa >= 0)) {
    m = zero;
    d = maxPrec;
  } else {
    if (d < minPrec) {
      // Ten or more decimals to add overflow any non-zero int mantissa.
      std::int64_t up = std::int64_t{minPrec} - d;
      m = up < 10 ? ClampToInt(m * kIntPow10[up]) : m > 0 ? INT_MAX : INT_MIN;
      d = minPrec;
    }
    if (m > 0) {
      DropDecimals(m, d, minPrec, [&](int v) { return v > maxMantissa; });
      if (m > maxMantissa) {
        m = maxMantissa;
        d = minPrec;
        return;
      }
      DropDecimals(m, d, maxPrec, [](int) { return true; });
      if (m < zero && d == maxPrec) m = zero;
    } else if (m < 0) {
      DropDecimals(m, d, minPrec, [&](int v) { return v < minMantissa; });
      if (m < minMantissa) {
        m = minMantissa;
        d = minPrec;
        return;
      }
      DropDecimals(m, d, maxPrec, [](int) { return true; });
    }
  }
  // Trailing zeros: dividing by 10 is exact here, so rounding changes nothing.
  DropDecimals(m, d, minPrec, [](int v) { return v % 10 == 0; });
}

std::uint32_t PackDecimalWord(int mantissa, int decimals)
{
  if (mantissa > kDecimalWordMantissaMax) mantissa = kDecimalWordMantissaMax;
  if (mantissa < kDecimalWordMantissaMin) mantissa = kDecimalWordMantissaMin;
  return (static_cast<std::uint32_t>(mantissa) & 0x0FFFFFFFu) | (static_cast<std::uint32_t>(decimals) & 7u) << 28;
}

double DecimalToDouble(int mantissa, int decimals) { return mantissa / Pow10(decimals); }

float DecimalToFloat(int mantissa, int decimals)
{
  float divisor = decimals >= 0 && decimals < kFloatPowCount ? kFloatPow10[decimals] : static_cast<float>(Pow10(decimals));
  return static_cast<float>(mantissa) / divisor;
}

float DecimalWordToFloat(std::uint32_t word)
{
  return static_cast<float>(DecimalWordMantissa(word)) / kFloatPow10[DecimalWordDecimals(word)];
}

std::uint32_t FloatToDecimalWord(float x, std::uint8_t decimals)
{
  int d = decimals & 7;
  float scaled = x * kFloatPow10[d];
  return PackDecimalWord(RoundToInt(scaled), d);
}

std::uint32_t FloatToDecimalWordInRange(float x, int minPrec, int maxPrec, int minMantissa, int maxMantissa)
{
  if (std::isnan(x)) return PackInRange(0, maxPrec, minPrec, maxPrec, minMantissa, maxMantissa);
  int n = DecimalDigits(x);
  if (n >= 8) return PackDecimalWord(x > 0 ? maxMantissa : minMantissa, minPrec);
  int d = 8 - n;
  float scaled = x * kFloatPow10[d];
  return PackInRange(RoundToInt(scaled), d, minPrec, maxPrec, minMantissa, maxMantissa);
}

std::uint32_t FloatToDecimalWordInRange(double x, int minPrec, int maxPrec, int minMantissa, int maxMantissa)
{
  if (std::isnan(x)) return PackInRange(0, maxPrec, minPrec, maxPrec, minMantissa, maxMantissa);
  int n = DecimalDigits(x);
  if (n >= 8) return PackDecimalWord(x > 0 ? maxMantissa : minMantissa, minPrec);
  int d = 8 - n;
  return PackInRange(RoundToInt(x * kDoublePow10[d]), d, minPrec, maxPrec, minMantissa, maxMantissa);
}

int CompareDecimalWords(std::uint32_t a, std::uint32_t b)
{
  std::int64_t ma = DecimalWordMantissa(a);
  std::int64_t mb = DecimalWordMantissa(b);
  int da = DecimalWordDecimals(a);
  int db = DecimalWordDecimals(b);
  if (da < db) ma *= kIntPow10[db - da];
  if (db < da) mb *= kIntPow10[da - db];
  return ma > mb ? 1 : ma < mb ? -1 : 0;
}
