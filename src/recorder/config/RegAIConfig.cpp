// The analog input block's model: defaults, the filter byte and the packed words. The
// record forms are in RegAIRecord1x.cpp (first line) and RegAIRecord2x.cpp (second
// line), the events and the flow computation in RegAIEvents.cpp.

#include "recorder/config/RegAIConfig.h"

#include "recorder/config/RecordTransfer.h"
#include "recorder/config/RegConfig.h"

void TRegAIConfig::TRegAIEvent::SetDefaults()
{
  Limit1.ResetToZeroValue();
  Limit2.ResetToZeroValue();
  Kind = 0;
  ActionFieldA = 0;
  ActionFieldB = 0;
  EventOption1 = 0;
  EventOption2 = 0;
  Actions = {};
}

void TRegAIConfig::SetDefaults()
{
  Name.clear();
  Units.clear();
  Expression.clear();
  SignalIndex = 0;
  // Raw pairs: the defaults keep their one decimal (100.0, not 100).
  InputLow.SetRaw(0, 1);
  InputHigh.SetRaw(100, 1);
  Option1 = 2;
  Option2 = 2;
  RtdWiring = 0;
  TcType = 0;
  CjcMode = 0;
  CjcTemperature.SetMantissa(0);
  RtdType = 0;
  // The first nominal resistance the device offers, in whole ohms as the list holds it.
  if (Owner != nullptr && !Owner->RegInfo.RtdR0List.empty())
    RtdR0.SetMantissa(static_cast<int>(Owner->RegInfo.RtdR0List.front()));
  else
    RtdR0.SetMantissa(kDefaultRtdR0Mantissa);
  RtdParam.SetMantissa(0);
  Pyrometer = 0;
  TransferFunction = 0;
  ScaleLow.SetRaw(0, 1);
  ScaleHigh.SetRaw(1000, 1);
  ScaleDecimals = 1;
  ScaleAux = 0;
  FilterType = 0;
  FilterLength = 0;
  ValueSource = {};
  Flow.SetDefaults();
  TransferTable.fill(0);
  TransferArg = 0;
  Source.SetDefaults();
  ExternalOption = 0;
  SignalFlag = 0;
  FreqParam1.SetMantissa(1);
  FreqParam2.SetMantissa(0);
  FreqOption = 0;
  PulseOption1 = 0;
  PulseOption2 = 2;
  PulseParam.SetMantissa(0);
  PulseFactor.SetRaw(10, 1);
  CounterOption = 0;
  LegacyOption = 0;
  constexpr std::uint8_t kEventKinds[] = {2, 0, 1, 3};
  for (std::size_t i = 0; i < Events.size(); ++i) {
    Events[i].SetDefaults();
    Events[i].Kind = kEventKinds[i];
  }
}

const TRegInfo& TRegAIConfig::Info() const { return OwnerInfo(Owner, "TRegAIConfig"); }

// (DevFilterParam - 1) as a byte: a device that reports 0 allows 255.
std::uint8_t TRegAIConfig::FilterLimit() const { return static_cast<std::uint8_t>(Info().DevFilterParam - 1); }

void TRegAIConfig::SetFilterFromByte(std::uint8_t b)
{
  if (b == 0) {
    FilterType = 0;
    FilterLength = 0;
    return;
  }
  const std::uint8_t limit = FilterLimit();
  FilterType = 1;
  FilterLength = b <= limit ? b : limit;
}

std::uint8_t TRegAIConfig::FilterByte() const
{
  if (FilterType != 1) return 0;
  // The 16-bit length is bounded before it becomes a byte: 300 is the limit, not 44.
  const std::uint8_t limit = FilterLimit();
  std::uint32_t length = FilterLength == 0 ? 1 : FilterLength;
  if (length > limit) length = limit;
  return static_cast<std::uint8_t>(length);
}

std::uint32_t TRegAIConfig::PackFloatPrec(const Decimal& value) { return RecordWriting::PackDecimalValue(value); }

std::uint32_t TRegAIConfig::PackFloatPrecPositive(const PositiveDecimal& value)
{
  return RecordWriting::PackDecimalValue(value);
}
