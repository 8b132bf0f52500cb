#pragma once

#include <climits>
#include <string>
#include <type_traits>

#include "platform/Exception.h"
#include "recorder/info/DecimalWord.h"

// Exact decimal settings: a signed 32-bit mantissa and a number of decimals, the value
// being mantissa × 10^−decimals. Min and Max bound the mantissa, not the value, so for a
// TFloatPrec the largest value depends on the decimals (Max 99999 allows 9999.9 with one
// decimal and 9.9999 with four).
//
// Only SetDouble applies a type's limits. SetValue (a mantissa and decimals as a record
// carries them) brings the decimals to the type's count, or to 0..9 for the types that
// store decimals, and keeps the mantissa whatever Min and Max say.
namespace fixed {

// SetDouble of a NaN ("NaN") or an infinity ("Inf").
class EInvalidArgument : public Exception {
public:
  explicit EInvalidArgument(std::string message) : Exception(std::move(message)) {}
};

struct DecimalPair {
  int mantissa;
  int decimals;
};

// The virtual operations are declared in the order the value types have always had them.
template <typename T>
class TValParamBase {
  static_assert(std::is_same_v<T, int>, "decimal values have a signed 32-bit mantissa");

public:
  virtual T GetMin() const = 0;
  virtual T GetMax() const = 0;
  virtual bool IsFixedPrec() const = 0;
  virtual bool IsInteger() const = 0;
  virtual ~TValParamBase() = default;
  virtual int GetPrec() const = 0;  // the current decimals
  virtual int GetMinPrec() const = 0;
  virtual int GetMaxPrec() const = 0;

protected:
  TValParamBase() = default;
  TValParamBase(const TValParamBase&) = default;
  TValParamBase& operator=(const TValParamBase&) = default;
};

// NormalizeDecimal applied to a pair; value is not consulted (the record writers pass the
// setting they normalise).
inline void FixedNormalize(const TValParamBase<int>& /*value*/, int& mantissa, int& decimals, int minPrec, int maxPrec,
                           int min, int max)
{
  NormalizeDecimal(mantissa, decimals, minPrec, maxPrec, min, max);
}

// The conversion of SetDouble: x taken with 9 significant digits, then normalised within
// the limits; |x| of 10^8 or more gives (max, minPrec) or (min, minPrec) by its sign.
// Raises EInvalidArgument "NaN" or "Inf". value is not consulted.
DecimalPair FixedFromDouble(const TValParamBase<int>& value, int minPrec, int maxPrec, double x, int min, int max);

template <typename T>
class TValBase : public TValParamBase<T> {
public:
  virtual void SetValue(T mantissa, int decimals) = 0;
  virtual void SetDouble(double x) = 0;

  T GetMantissa() const { return mantissa_; }
  // Stores the mantissa as given, at the current decimals.
  void SetMantissa(T mantissa) { mantissa_ = mantissa; }

  double ToDouble() const { return DecimalToDouble(mantissa_, this->GetPrec()); }
  // The single-precision quotient mantissa / 10^decimals that float record fields hold.
  float ToFloat() const { return DecimalToFloat(mantissa_, this->GetPrec()); }

protected:
  TValBase() = default;
  TValBase(const TValBase&) = default;
  TValBase& operator=(const TValBase&) = default;

  // What SetDouble stores: x brought within the type's own limits.
  DecimalPair FromDouble(double x) const
  {
    return FixedFromDouble(*this, this->GetMinPrec(), this->GetMaxPrec(), x, this->GetMin(), this->GetMax());
  }

  T mantissa_ = 0;
};

// Decimals fixed by the type; only the mantissa is stored. Starts at the zero value of
// its limits (TFixedPrec<int,2,100,22000> at 1.00).
template <typename T, int Prec, T Min, T Max>
class TFixedPrec final : public TValBase<T> {
  static_assert(Prec >= 0 && Prec <= 9 && Min <= Max);

public:
  TFixedPrec() { this->mantissa_ = DecimalZeroValue(Min, Max); }

  T GetMin() const override { return Min; }
  T GetMax() const override { return Max; }
  bool IsFixedPrec() const override { return true; }
  bool IsInteger() const override { return Prec == 0; }
  int GetPrec() const override { return Prec; }
  int GetMinPrec() const override { return Prec; }
  int GetMaxPrec() const override { return Prec; }

  void SetValue(T mantissa, int decimals) override
  {
    FixedNormalize(*this, mantissa, decimals, Prec, Prec, INT_MIN, INT_MAX);
    this->mantissa_ = mantissa;
  }
  void SetDouble(double x) override { this->mantissa_ = this->FromDouble(x).mantissa; }
};

// The part TFloatPrec and TFloatPrecEx share: decimals stored with each value.
template <typename T>
class TStoredPrec : public TValBase<T> {
public:
  int GetPrec() const override { return decimals_; }

  // At most 9 decimals, trailing zeros removed; neither MinPrec..MaxPrec nor Min..Max
  // applies (SetValue(1500, 3) holds 15 with 1 decimal).
  void SetValue(T mantissa, int decimals) override
  {
    NormalizeDecimal(mantissa, decimals, 0, 9, INT_MIN, INT_MAX);
    SetRaw(mantissa, decimals);
  }
  void SetDouble(double x) override
  {
    auto pair = this->FromDouble(x);
    SetRaw(pair.mantissa, pair.decimals);
  }
  // Stores the pair as given, trailing zeros included (defaults such as 100.0 held as
  // mantissa 1000 with 1 decimal).
  void SetRaw(T mantissa, int decimals)
  {
    this->mantissa_ = mantissa;
    decimals_ = decimals;
  }

protected:
  TStoredPrec() = default;
  TStoredPrec(const TStoredPrec&) = default;
  TStoredPrec& operator=(const TStoredPrec&) = default;

private:
  int decimals_ = 0;
};

// Decimals stored with each value, brought within MinPrec..MaxPrec by SetDouble. Starts
// at mantissa 0 with 0 decimals, whatever the limits.
template <typename T, int MinPrec, int MaxPrec, T Min, T Max>
class TFloatPrec final : public TStoredPrec<T> {
  static_assert(MinPrec >= 0 && MinPrec <= MaxPrec && MaxPrec <= 9 && Min <= Max);

public:
  T GetMin() const override { return Min; }
  T GetMax() const override { return Max; }
  bool IsFixedPrec() const override { return false; }
  bool IsInteger() const override { return false; }
  int GetMinPrec() const override { return MinPrec; }
  int GetMaxPrec() const override { return MaxPrec; }
};

// Like TFloatPrec, with MinPrec, MaxPrec, Min and Max held in the object and set at run
// time by its owner. Starts with all six numbers 0.
template <typename T>
class TFloatPrecEx final : public TStoredPrec<T> {
public:
  T GetMin() const override { return min_; }
  T GetMax() const override { return max_; }
  bool IsFixedPrec() const override { return minPrec_ == maxPrec_; }
  bool IsInteger() const override { return minPrec_ == 0 && maxPrec_ == 0; }
  int GetMinPrec() const override { return minPrec_; }
  int GetMaxPrec() const override { return maxPrec_; }

  // The value is left alone; ResetToZeroValue puts it within the new limits.
  void SetLimits(int minPrec, int maxPrec, T min, T max)
  {
    minPrec_ = minPrec;
    maxPrec_ = maxPrec;
    min_ = min;
    max_ = max;
  }
  void SetLimits(const TValParamBase<T>& range)
  {
    SetLimits(range.GetMinPrec(), range.GetMaxPrec(), range.GetMin(), range.GetMax());
  }
  // The zero value of the limits with MinPrec decimals.
  void ResetToZeroValue() { this->SetRaw(DecimalZeroValue(min_, max_), minPrec_); }

private:
  int minPrec_ = 0;
  int maxPrec_ = 0;
  T min_ = 0;
  T max_ = 0;
};

// The instances the configuration and information models hold; compiled once, in
// FixedValue.cpp.
extern template class TFixedPrec<int, 1, 1, 250>;
extern template class TFixedPrec<int, 1, 0, 250>;
extern template class TFixedPrec<int, 1, 0, 9999>;
extern template class TFixedPrec<int, 1, 1, 9999>;
extern template class TFixedPrec<int, 1, 2, 9999>;
extern template class TFixedPrec<int, 4, 0, 10000>;
extern template class TFixedPrec<int, 1, 0, 65535>;
extern template class TFixedPrec<int, 3, 100, 10000>;
extern template class TFloatPrec<int, 1, 4, -99999, 99999>;
extern template class TFloatPrec<int, 1, 4, 1, 99999>;
extern template class TFloatPrec<int, 1, 4, 0, 99999>;
extern template class TFixedPrec<int, 0, 0, 100>;
extern template class TFixedPrec<int, 2, 0, 250>;
extern template class TFixedPrec<int, 0, 0, 250>;
extern template class TFixedPrec<int, 0, 1, 4>;
extern template class TFixedPrec<int, 1, -1000, 1000>;
extern template class TStoredPrec<int>;
extern template class TFloatPrecEx<int>;
extern template class TFloatPrec<int, 1, 6, 1, 9999999>;
extern template class TFixedPrec<int, 2, 0, 60000>;
extern template class TFixedPrec<int, 2, 1, 1000>;
extern template class TFixedPrec<int, 2, 0, 9900>;
extern template class TFixedPrec<int, 2, 100, 22000>;
extern template class TFixedPrec<int, 2, -9999, 9999>;
extern template class TFloatPrec<int, 1, 6, -9999999, 9999999>;

}  // namespace fixed
