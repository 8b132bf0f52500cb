#include "recorder/info/FixedValue.h"

#include <cmath>
#include <cstdint>

namespace fixed {

namespace {
constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
}

DecimalPair FixedFromDouble(const TValParamBase<int>& /*value*/, int minPrec, int maxPrec, double x, int min, int max)
{
  if (std::isnan(x)) throw EInvalidArgument("NaN");
  if (std::isinf(x)) throw EInvalidArgument("Inf");
  int n = DecimalDigits(x);
  if (n >= 9) return {x > 0 ? max : min, minPrec};
  // Nine significant digits; |y| stays below 10^9, so the clamps only guard the int.
  int d = 9 - n;
  double y = x * static_cast<double>(kPow10[d]);
  int m = y < -2147483648.0 ? INT_MIN : y > 2147483647.0 ? INT_MAX : RoundToInt(y);
  NormalizeDecimal(m, d, minPrec, maxPrec, min, max);
  return {m, d};
}

template class TFixedPrec<int, 1, 1, 250>;
template class TFixedPrec<int, 1, 0, 250>;
template class TFixedPrec<int, 1, 0, 9999>;
template class TFixedPrec<int, 1, 1, 9999>;
template class TFixedPrec<int, 1, 2, 9999>;
template class TFixedPrec<int, 4, 0, 10000>;
template class TFixedPrec<int, 1, 0, 65535>;
template class TFixedPrec<int, 3, 100, 10000>;
template class TFloatPrec<int, 1, 4, -99999, 99999>;
template class TFloatPrec<int, 1, 4, 1, 99999>;
template class TFloatPrec<int, 1, 4, 0, 99999>;
template class TFixedPrec<int, 0, 0, 100>;
template class TFixedPrec<int, 2, 0, 250>;
template class TFixedPrec<int, 0, 0, 250>;
template class TFixedPrec<int, 0, 1, 4>;
template class TFixedPrec<int, 1, -1000, 1000>;
template class TStoredPrec<int>;
template class TFloatPrecEx<int>;
template class TFloatPrec<int, 1, 6, 1, 9999999>;
template class TFixedPrec<int, 2, 0, 60000>;
template class TFixedPrec<int, 2, 1, 1000>;
template class TFixedPrec<int, 2, 0, 9900>;
template class TFixedPrec<int, 2, 100, 22000>;
template class TFixedPrec<int, 2, -9999, 9999>;
template class TFloatPrec<int, 1, 6, -9999999, 9999999>;

}  // namespace fixed
