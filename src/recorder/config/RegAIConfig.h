#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"
#include "recorder/config/RegExtSource.h"
#include "recorder/info/FixedValue.h"
#include "recorder/info/ValueSource.h"

class TRegConfig;
class TRegInfo;

// The flow computation of an analog input whose signal is the flow signal (code 9).
// Two device forms: 100 bytes with a format flag, and 88 bytes after a magic word.
class TRegAIFlowConfig {
public:
  static constexpr std::size_t kSize100 = 100;
  static constexpr std::size_t kSize88 = 88;
  static constexpr std::uint32_t kMagic88 = 0x33221100;
  // What the 88-byte form carries at 60 for medium 4 (air): 1.20445 as a single.
  static constexpr std::uint32_t kAirGasParam3Bits = 0x3F9A2B6B;

  std::uint8_t FlowByte1 = 0, FlowByte2 = 0, FlowByte3 = 0, FlowByte4 = 0, FlowByte5 = 0, FlowByte6 = 0,
               FlowByte7 = 0;
  std::uint32_t FlowWord1 = 0;
  std::uint32_t FlowWord2 = 0;
  std::uint8_t FlowByte8 = 0;
  std::uint8_t Medium = 0;  // FlowMediumNames: 0 natural gas .. 5; picks the medium fields below
  std::uint8_t FlowByte9 = 0;
  float FlowCoef1 = 0.1f;
  float FlowCoef2 = 0.2f;
  float FlowCoef3 = 0.00015f;
  std::array<float, 3> CoefSet1{15.6f, 8.3f, -6.5f};
  std::array<float, 3> CoefSet2{11.1f, 7.7f, -3.4f};
  float FlowCoef4 = 0.00004f;
  float FlowCoef5 = 3.0f;
  float GasParam1 = 0.05f;  // medium 0
  float GasParam2 = 0.01f;
  float GasParam3 = 0.694f;
  std::uint8_t GasOption = 0;
  std::array<std::uint8_t, 3> GasSpare{};
  float SteamParam = 1.0f;  // medium 3
  std::uint8_t SteamOption = 0;
  std::array<std::uint8_t, 3> SteamSpare{};
  std::array<std::uint16_t, 18> Medium5Data{};  // medium 5

  // The member initialisers are the defaults.
  void SetDefaults() { *this = TRegAIFlowConfig{}; }

  // EVantorInvalid 4581 for a format flag above 1, 4687 without the magic word; the
  // settings are unchanged then.
  void ReadRecord100(std::span<const std::uint8_t> bytes);
  void WriteRecord100(std::span<std::uint8_t> bytes) const;
  void ReadRecord88(std::span<const std::uint8_t> bytes);
  void WriteRecord88(std::span<std::uint8_t> bytes) const;
};

// One analog input channel: the signal it measures (a position in the channel's
// supported-signal list), how it is converted and scaled, where a value comes from when
// it is no measurement (an expression, another channel, an RS-485, CAN or Ethernet
// source, a frequency, pulse or counter input, a flow computation), the input filter and
// four limit events. One record per channel, its layout by firmware: forms A-D on the
// first line, F-H on the second.
class TRegAIConfig : public TRegItemPlace, public TChEventJobClass<TEventJobClass, 0> {
public:
  using Decimal = fixed::TFloatPrec<int, 1, 6, -9999999, 9999999>;
  using PositiveDecimal = fixed::TFloatPrec<int, 1, 6, 1, 9999999>;

  // One limit event: two limits whose bounds come from the device's two event-limit
  // ranges once a record was read, a kind, the header's two action fields, two option
  // bytes and two event-action codes.
  class TRegAIEvent {
  public:
    fixed::TFloatPrecEx<int> Limit1;
    fixed::TFloatPrecEx<int> Limit2;
    std::uint8_t Kind = 0;
    std::uint32_t ActionFieldA = 0;
    std::uint32_t ActionFieldB = 0;
    std::uint8_t EventOption1 = 0;
    std::uint8_t EventOption2 = 0;
    std::array<std::uint16_t, 2> Actions{};

    TRegAIEvent() { SetDefaults(); }
    // Each limit keeps its bounds and becomes their zero value with the least decimals.
    void SetDefaults();
    void Assign(const TRegAIEvent& other) { *this = other; }
  };

  std::string Name;
  std::uint8_t SignalIndex = 0;  // position in the channel's supported-signal list
  Decimal InputLow;
  Decimal InputHigh;
  std::uint8_t Option1 = 2;
  std::uint8_t Option2 = 2;
  std::uint8_t RtdWiring = 0;
  std::uint8_t TcType = 0;
  std::uint8_t CjcMode = 0;
  fixed::TFixedPrec<int, 2, -9999, 9999> CjcTemperature;
  std::uint8_t RtdType = 0;
  fixed::TFixedPrec<int, 2, 100, 22000> RtdR0;
  fixed::TFixedPrec<int, 2, 0, 9900> RtdParam;
  std::uint8_t Pyrometer = 0;
  std::uint8_t TransferFunction = 0;
  std::string Units;
  Decimal ScaleLow;
  Decimal ScaleHigh;
  std::uint32_t ScaleDecimals = 1;
  std::uint8_t ScaleAux = 0;
  std::uint8_t FilterType = 0;
  std::uint16_t FilterLength = 0;
  std::string Expression;  // raw code page 1251 bytes
  ::ValueSource ValueSource;
  TRegAIFlowConfig Flow;
  std::array<std::uint8_t, 116> TransferTable{};
  std::uint32_t TransferArg = 0;
  TRegExtSource Source;
  std::uint8_t ExternalOption = 0;
  std::uint8_t SignalFlag = 0;
  fixed::TFixedPrec<int, 2, 1, 1000> FreqParam1;
  fixed::TFixedPrec<int, 2, 0, 60000> FreqParam2;
  std::uint8_t FreqOption = 0;
  std::uint8_t PulseOption1 = 0;
  std::uint8_t PulseOption2 = 2;
  fixed::TFixedPrec<int, 2, 0, 60000> PulseParam;
  PositiveDecimal PulseFactor;
  std::uint8_t CounterOption = 0;
  std::uint32_t LegacyOption = 0;
  std::array<TRegAIEvent, 4> Events;

  TRegAIConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegAIConfig& other) { *this = other; }

  static std::uint32_t RecordSize(std::uint32_t version);
  // Decodes a record of the owner's firmware (its RegInfo.SwVersion).
  void ReadRecord(std::span<const std::uint8_t> record);
  void ReadRecord(const std::uint8_t* data, std::uint32_t length) { ReadRecord({data, length}); }
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;

  // The one-byte filter field of the older forms: 0 off, else the length (bounded by the
  // device's filter limit).
  void SetFilterFromByte(std::uint8_t b);
  std::uint8_t FilterByte() const;

  // The value as a packed decimal word, brought within 1..6 decimals and its mantissa
  // bounds first.
  static std::uint32_t PackFloatPrec(const Decimal& value);
  static std::uint32_t PackFloatPrecPositive(const PositiveDecimal& value);

private:
  friend struct AIRecordCodec;

  const TRegInfo& Info() const;
  std::uint8_t FilterLimit() const;
};
