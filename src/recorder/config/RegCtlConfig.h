#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/ItemPlace.h"
#include "recorder/info/FixedValue.h"
#include "recorder/info/ValueSource.h"

class TRegConfig;

// One PID regulator: name, mode (TRegPIDMode: 0 off, 1 PID for PWM/DAC outputs, 2 PDD
// for actuators), the value sources it works with, decimal parameters, a byte text, and
// a group of parameters for each of the two active modes. 248-byte records from 2.1.150
// on (outside the 2.2 branch); DO channels name regulators by their position.
class TRegCtlConfig : public TRegItemPlace {
public:
  using Wide = fixed::TFloatPrec<int, 1, 6, -9999999, 9999999>;
  using Positive = fixed::TFloatPrec<int, 1, 4, 0, 99999>;

  std::string Name;
  std::uint8_t Mode = 0;
  // Modes 1 and 2.
  ValueSource SourceA;
  std::uint32_t ByteA = 0;  // one byte in the record
  std::uint8_t ByteB = 0;
  std::uint16_t WordA = 0;
  Wide ValueA;
  Wide ValueB;
  Positive ValueC;
  Wide ValueD;
  std::string Text;  // raw code page 1251 bytes, 119 at most
  Positive ValueE;
  fixed::TFloatPrec<int, 1, 4, 1, 99999> ValueF;
  Positive ValueG;
  fixed::TFloatPrec<int, 1, 4, -99999, 99999> ValueH;
  Wide ValueI;
  fixed::TFixedPrec<int, 3, 100, 10000> FixedJ;
  fixed::TFixedPrec<int, 1, -1000, 1000> FixedK;
  Positive ValueL;
  // Mode 1.
  ValueSource SourceB;
  Positive ValueM;
  Positive ValueN;
  fixed::TFixedPrec<int, 1, 0, 65535> FixedO;
  fixed::TFixedPrec<int, 4, 0, 10000> FixedP;
  fixed::TFixedPrec<int, 1, -1000, 1000> FixedQ;
  fixed::TFixedPrec<int, 1, -1000, 1000> FixedR;
  std::uint8_t ByteC = 2;
  std::uint8_t ByteD = 0;
  fixed::TFixedPrec<int, 1, -1000, 1000> FixedS;
  // Mode 2.
  fixed::TFixedPrec<int, 1, 2, 9999> FixedT;
  fixed::TFixedPrec<int, 1, 1, 9999> FixedU;
  fixed::TFixedPrec<int, 1, 0, 9999> FixedV;
  fixed::TFixedPrec<int, 1, 0, 9999> FixedW;
  ValueSource SourceC;
  ValueSource SourceD;
  std::uint8_t ByteE = 0;

  TRegCtlConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegCtlConfig& other) { *this = other; }
  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware (the store callback passes its SwVersion); every
  // version from 1.5 to 2.1.160 outside the 2.2 branch reads the one form. The name and
  // mode are stored before the mode is checked; mode 0 changes nothing else.
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
