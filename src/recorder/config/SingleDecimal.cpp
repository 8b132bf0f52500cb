#include "recorder/config/SingleDecimal.h"

#include <cmath>

#include "recorder/info/DecimalWord.h"

bool DecimalOfSingle(std::uint32_t bits, std::uint32_t mask, int minPrec, int maxPrec, int min, int max,
                     fixed::DecimalPair& result)
{
  // The singles that match lie between these two (a range of one for a full mask).
  const float first = SingleOfBits(bits & mask);
  const float last = SingleOfBits(bits | ~mask);
  if (!std::isfinite(first) || !std::isfinite(last)) return false;
  const double centre = (static_cast<double>(first) + static_cast<double>(last)) / 2;
  for (int decimals = minPrec; decimals <= maxPrec; ++decimals) {
    const double scaled = centre * std::pow(10.0, decimals);
    if (!(std::fabs(scaled) < 2147483647.0)) continue;
    const int nearest = RoundToInt(scaled);
    // The decimal nearest the middle first, then its neighbours in case the middle's
    // rounding crossed an edge. A value with trailing zero decimals was found with fewer.
    for (int mantissa : {nearest, nearest - 1, nearest + 1}) {
      if (mantissa < min || mantissa > max) continue;
      if ((SingleBits(DecimalToFloat(mantissa, decimals)) & mask) != (bits & mask)) continue;
      result = {mantissa, decimals};
      return true;
    }
  }
  return false;
}

void SetFromSingle(fixed::TValBase<int>& value, float stored)
{
  fixed::DecimalPair pair{};
  if (DecimalOfSingle(SingleBits(stored), 0xFFFFFFFFu, value.GetMinPrec(), value.GetMaxPrec(), value.GetMin(),
                      value.GetMax(), pair))
    value.SetDouble(DecimalToDouble(pair.mantissa, pair.decimals));  // exact: the pair as SetDouble stores it
  else
    value.SetDouble(stored);
}
