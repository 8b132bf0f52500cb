#pragma once

#include <cstdint>
#include <cstring>

#include "recorder/info/FixedValue.h"

// Reading a decimal setting back from the IEEE single a record stores it as. SetDouble
// takes the float with 9 digits and rounds one decimal at a time, which can land on a
// neighbour of the decimal that was written (8.007813 is stored as 8.00781345 and reads
// as 8.007814), so every rewrite of a record could move its floats. The decimal whose
// single is the stored one does not move.

inline std::uint32_t SingleBits(float x)
{
  std::uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

inline float SingleOfBits(std::uint32_t bits)
{
  float x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// The decimal with the fewest decimals, within minPrec..maxPrec decimals and a mantissa
// of min..max, whose single-precision quotient mantissa / 10^decimals has the bits of
// `bits` wherever `mask` is set (all 32 for a stored float; the high 24 for a float
// stored without its lowest byte). Of several, the one nearest the middle of the singles
// that match. False when no decimal within the limits has them.
bool DecimalOfSingle(std::uint32_t bits, std::uint32_t mask, int minPrec, int maxPrec, int min, int max,
                     fixed::DecimalPair& result);

// Sets the value from a stored single: that decimal when there is one within the
// value's limits, else SetDouble of the float (which raises for NaN and infinities).
void SetFromSingle(fixed::TValBase<int>& value, float stored);
