#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "recorder/info/FixedValue.h"
#include "support/ExpectThrowMsg.h"

namespace {

using fixed::DecimalPair;
using fixed::TFixedPrec;
using fixed::TFloatPrec;
using fixed::TFloatPrecEx;

template <typename V>
DecimalPair AfterSetDouble(double x)
{
  V v;
  v.SetDouble(x);
  return {v.GetMantissa(), v.GetPrec()};
}

template <typename V>
DecimalPair AfterSetValue(int mantissa, int decimals)
{
  V v;
  v.SetValue(mantissa, decimals);
  return {v.GetMantissa(), v.GetPrec()};
}

template <typename V>
DecimalPair DefaultOf()
{
  V v;
  return {v.GetMantissa(), v.GetPrec()};
}

struct Case {
  const char* name;
  DecimalPair got;
  int mantissa;
  int decimals;
};

void Check(std::initializer_list<Case> cases)
{
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got.mantissa, c.mantissa);
    EXPECT_EQ(c.got.decimals, c.decimals);
  }
}

TEST(FixedValue, SetDoubleAppliesTheLimits)
{
  Check({
      {"below Min: the minimum", AfterSetDouble<TFixedPrec<int, 2, 100, 22000>>(0.5), 100, 2},
      {"above Max", AfterSetDouble<TFixedPrec<int, 2, 0, 9900>>(99.999), 9900, 2},
      {"mantissa bound keeps 7 digits", AfterSetDouble<TFloatPrec<int, 1, 6, 1, 9999999>>(123.456789), 1234568, 4},
      {"rounds up a digit, trailing zeros go", AfterSetDouble<TFloatPrec<int, 1, 4, 0, 99999>>(9.99999), 100, 1},
      {"zero under a positive Min", AfterSetDouble<TFloatPrec<int, 1, 4, 1, 99999>>(0), 1, 4},
      {"negative under a non-negative Min", AfterSetDouble<TFixedPrec<int, 2, 0, 9900>>(-5), 0, 2},
      {"huge: Max without normalising", AfterSetDouble<TFixedPrec<int, 1, 0, 250>>(250000000), 250, 1},
      {"huge negative: Min", AfterSetDouble<TFixedPrec<int, 2, -9999, 9999>>(-250000000), -9999, 2},
      {"half away from zero", AfterSetDouble<TFixedPrec<int, 2, -9999, 9999>>(0.125), 13, 2},
      {"half away from zero, negative", AfterSetDouble<TFixedPrec<int, 2, -9999, 9999>>(-0.125), -13, 2},
      {"least decimals kept", AfterSetDouble<TFloatPrec<int, 1, 6, -9999999, 9999999>>(7), 70, 1},
      {"999999.9 fits", AfterSetDouble<TFloatPrec<int, 1, 6, -9999999, 9999999>>(999999.9), 9999999, 1},
      {"1000000 is too large at 1 decimal",
       AfterSetDouble<TFloatPrec<int, 1, 6, -9999999, 9999999>>(1000000), 9999999, 1},
      {"nine digits first, then stepwise: 0.12345650 rounds up at its last step",
       AfterSetDouble<TFloatPrec<int, 1, 6, -9999999, 9999999>>(0.1234564999), 123457, 6},
      {"integer type", AfterSetDouble<TFixedPrec<int, 0, 1, 4>>(2.5), 3, 0},
      {"tenths of a signed range", AfterSetDouble<TFixedPrec<int, 1, -1000, 1000>>(-100.04), -1000, 1},
  });
}

TEST(FixedValue, SetValueKeepsTheMantissaUnbounded)
{
  Check({
      {"decimals removed one at a time", AfterSetValue<TFixedPrec<int, 2, -9999, 9999>>(1449, 4), 15, 2},
      {"scaled up to the type's decimals", AfterSetValue<TFixedPrec<int, 2, 100, 22000>>(5, 0), 500, 2},
      {"below Min, stored as it comes", AfterSetValue<TFixedPrec<int, 2, 100, 22000>>(5, 2), 5, 2},
      {"above Max, stored as it comes", AfterSetValue<TFixedPrec<int, 1, 0, 250>>(9000, 1), 9000, 1},
      {"scale-up saturates", AfterSetValue<TFixedPrec<int, 4, 0, 10000>>(300000000, 0), 2147483647, 4},
      {"decimals outside MinPrec..MaxPrec kept", AfterSetValue<TFloatPrec<int, 1, 4, 0, 99999>>(12345, 5), 12345, 5},
      {"trailing zero down to 0 decimals", AfterSetValue<TFloatPrec<int, 1, 4, 0, 99999>>(10, 1), 1, 0},
      {"trailing zeros", AfterSetValue<TFloatPrec<int, 1, 4, -99999, 99999>>(1500, 3), 15, 1},
      {"whole number", AfterSetValue<TFloatPrec<int, 1, 4, -99999, 99999>>(7, 0), 7, 0},
      {"more than 9 decimals are rounded away",
       AfterSetValue<TFloatPrec<int, 1, 6, -9999999, 9999999>>(123456789, 11), 1234568, 9},
      {"zero, whatever the limits", AfterSetValue<TFloatPrec<int, 1, 4, 1, 99999>>(0, 3), 0, 0},
  });
}

TEST(FixedValue, DefaultsAreTheZeroValueOfTheLimits)
{
  Check({
      {"1.00, the minimum", DefaultOf<TFixedPrec<int, 2, 100, 22000>>(), 100, 2},
      {"integer minimum", DefaultOf<TFixedPrec<int, 0, 1, 4>>(), 1, 0},
      {"0.2", DefaultOf<TFixedPrec<int, 1, 2, 9999>>(), 2, 1},
      {"signed range", DefaultOf<TFixedPrec<int, 1, -1000, 1000>>(), 0, 1},
      {"from zero", DefaultOf<TFixedPrec<int, 2, 0, 9900>>(), 0, 2},
      {"both limits negative: Min", DefaultOf<TFixedPrec<int, 1, -50, -10>>(), -50, 1},
  });

  TFloatPrec<int, 1, 4, 1, 99999> positive;  // MinPrec and Min do not apply to the default
  EXPECT_EQ(positive.GetMantissa(), 0);
  EXPECT_EQ(positive.GetPrec(), 0);
  TFloatPrec<int, 1, 6, 1, 9999999> factor;
  EXPECT_EQ(factor.GetMantissa(), 0);
  EXPECT_EQ(factor.GetPrec(), 0);

  TFloatPrecEx<int> ex;
  EXPECT_EQ(ex.GetMantissa(), 0);
  EXPECT_EQ(ex.GetPrec(), 0);
  EXPECT_EQ(ex.GetMinPrec(), 0);
  EXPECT_EQ(ex.GetMaxPrec(), 0);
  EXPECT_EQ(ex.GetMin(), 0);
  EXPECT_EQ(ex.GetMax(), 0);
}

// Every instance the models hold, with whether it is an integer type.
template <typename V>
struct Instance {
  bool integer;
};

TEST(FixedValue, EveryInstanceReportsItsLimits)
{
  auto instances = std::make_tuple(
      Instance<TFixedPrec<int, 1, 1, 250>>{false}, Instance<TFixedPrec<int, 1, 0, 250>>{false},
      Instance<TFixedPrec<int, 1, 0, 9999>>{false}, Instance<TFixedPrec<int, 1, 1, 9999>>{false},
      Instance<TFixedPrec<int, 1, 2, 9999>>{false}, Instance<TFixedPrec<int, 4, 0, 10000>>{false},
      Instance<TFixedPrec<int, 1, 0, 65535>>{false}, Instance<TFixedPrec<int, 3, 100, 10000>>{false},
      Instance<TFloatPrec<int, 1, 4, -99999, 99999>>{false}, Instance<TFloatPrec<int, 1, 4, 1, 99999>>{false},
      Instance<TFloatPrec<int, 1, 4, 0, 99999>>{false}, Instance<TFixedPrec<int, 0, 0, 100>>{true},
      Instance<TFixedPrec<int, 2, 0, 250>>{false}, Instance<TFixedPrec<int, 0, 0, 250>>{true},
      Instance<TFixedPrec<int, 0, 1, 4>>{true}, Instance<TFixedPrec<int, 1, -1000, 1000>>{false},
      Instance<TFloatPrec<int, 1, 6, 1, 9999999>>{false}, Instance<TFixedPrec<int, 2, 0, 60000>>{false},
      Instance<TFixedPrec<int, 2, 1, 1000>>{false}, Instance<TFixedPrec<int, 2, 0, 9900>>{false},
      Instance<TFixedPrec<int, 2, 100, 22000>>{false}, Instance<TFixedPrec<int, 2, -9999, 9999>>{false},
      Instance<TFloatPrec<int, 1, 6, -9999999, 9999999>>{false});
  int count = 0;
  std::apply(
      [&](auto... instance) {
        auto one = [&]<typename V>(Instance<V> expected) {
          V v;
          const fixed::TValParamBase<int>& base = v;
          SCOPED_TRACE(typeid(V).name());
          EXPECT_EQ(base.IsInteger(), expected.integer);
          EXPECT_LE(base.GetMin(), base.GetMax());
          EXPECT_LE(base.GetMinPrec(), base.GetMaxPrec());
          ++count;
        };
        (one(instance), ...);
      },
      instances);
  EXPECT_EQ(count, 23);  // and TFloatPrecEx, below

  TFixedPrec<int, 2, 0, 250> hundredths;
  EXPECT_TRUE(hundredths.IsFixedPrec());
  EXPECT_EQ(hundredths.GetMinPrec(), 2);
  EXPECT_EQ(hundredths.GetMaxPrec(), 2);
  TFloatPrec<int, 1, 4, 0, 99999> floating;
  EXPECT_FALSE(floating.IsFixedPrec());
  EXPECT_EQ(floating.GetMinPrec(), 1);
  EXPECT_EQ(floating.GetMaxPrec(), 4);
}

TEST(FixedValue, FloatPrecExTakesItsLimitsAtRunTime)
{
  TFloatPrecEx<int> limit;
  limit.SetLimits(0, 3, 0, 65535);
  EXPECT_FALSE(limit.IsFixedPrec());
  EXPECT_FALSE(limit.IsInteger());
  limit.ResetToZeroValue();
  EXPECT_EQ(limit.GetMantissa(), 0);
  EXPECT_EQ(limit.GetPrec(), 0);

  limit.SetDouble(70000);
  EXPECT_EQ(limit.GetMantissa(), 65535);
  EXPECT_EQ(limit.GetPrec(), 0);
  limit.SetDouble(12.3456);
  EXPECT_EQ(limit.GetMantissa(), 12346);
  EXPECT_EQ(limit.GetPrec(), 3);

  TFloatPrec<int, 1, 6, 1, 9999999> range;
  limit.SetLimits(range);
  limit.ResetToZeroValue();
  EXPECT_EQ(limit.GetMantissa(), 1);
  EXPECT_EQ(limit.GetPrec(), 1);
  EXPECT_EQ(limit.GetMin(), 1);
  EXPECT_EQ(limit.GetMax(), 9999999);

  limit.SetLimits(0, 0, -5, 5);
  EXPECT_TRUE(limit.IsInteger());
  EXPECT_TRUE(limit.IsFixedPrec());

  TFloatPrecEx<int> copy = limit;
  EXPECT_EQ(copy.GetMin(), -5);
  EXPECT_EQ(copy.GetMax(), 5);
  EXPECT_EQ(copy.GetMaxPrec(), 0);
  EXPECT_EQ(copy.GetMantissa(), 1);
  EXPECT_EQ(copy.GetPrec(), 1);
}

TEST(FixedValue, NaNAndInfinityRaiseAndLeaveTheValue)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  TFloatPrec<int, 1, 6, -9999999, 9999999> v;
  v.SetRaw(1000, 1);
  EXPECT_THROW_MSG(v.SetDouble(nan), fixed::EInvalidArgument, "NaN");
  EXPECT_THROW_MSG(v.SetDouble(inf), fixed::EInvalidArgument, "Inf");
  EXPECT_THROW_MSG(v.SetDouble(-inf), Exception, "Inf");
  EXPECT_EQ(v.GetMantissa(), 1000);
  EXPECT_EQ(v.GetPrec(), 1);

  TFixedPrec<int, 2, 100, 22000> r0;
  EXPECT_THROW_MSG(r0.SetDouble(nan), fixed::EInvalidArgument, "NaN");
  EXPECT_EQ(r0.GetMantissa(), 100);
}

TEST(FixedValue, FloatAndDoubleOfTheValue)
{
  TFloatPrec<int, 1, 6, -9999999, 9999999> v;
  v.SetRaw(-55, 1);
  EXPECT_EQ(v.ToFloat(), -5.5f);
  EXPECT_EQ(v.ToDouble(), -5.5);
  v.SetRaw(1234568, 4);
  EXPECT_EQ(v.ToFloat(), 123.4568f);
  EXPECT_DOUBLE_EQ(v.ToDouble(), 123.4568);
  TFixedPrec<int, 2, 100, 22000> r0;
  EXPECT_EQ(r0.ToFloat(), 1.0f);
}

TEST(FixedValue, FreeConversionsMatchTheMembers)
{
  TFloatPrec<int, 1, 6, -9999999, 9999999> v;
  int m = 12345, d = 3;
  fixed::FixedNormalize(v, m, d, 1, 6, -9999, 9999);
  EXPECT_EQ(m, 1235);
  EXPECT_EQ(d, 2);
  DecimalPair p = fixed::FixedFromDouble(v, 1, 6, 12.5, -9999999, 9999999);
  EXPECT_EQ(p.mantissa, 125);
  EXPECT_EQ(p.decimals, 1);
}

}  // namespace
