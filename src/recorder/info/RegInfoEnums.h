#pragma once

#include <cstdint>

// Codes the configuration records store and the selectable-value lists of TRegInfo
// offer (the list item's object holds the code).

// How an AI channel fed over Modbus lays out its value in the registers. The letter
// names the word and byte order of a 32-bit value.
enum class TAIMBValueType : std::uint8_t {
  Signed16 = 0,
  Unsigned16 = 1,
  Signed32C = 2,
  Unsigned32C = 3,
  Float32A = 4,
  Float32B = 5,
  Float32C = 6,
  Float32D = 7,
  FloatDah = 8,
  // From 2.1.160.72 on.
  Signed32A = 9,
  Signed32B = 10,
  Signed32D = 11,
  Unsigned32A = 12,
  Unsigned32B = 13,
  Unsigned32D = 14,
};

// What a relay does. Codes 1 and 2 are the regulator's outputs (pulse-width and
// servo); 3-6 arrived with the heat/cool regulators of 2.1.160.50.
enum class TRegDOChannelMode : std::uint8_t {
  Discrete = 0,
  PwmHeat = 1,
  ServoOpen = 2,
  PwmCool = 3,
  ServoClose = 4,
  DiscreteHeat = 5,
  DiscreteCool = 6,
};

// The control law of a PID regulator.
enum class TRegPIDMode : std::uint8_t {
  Off = 0,
  PidPwmDac = 1,
  PddServo = 2,  // from 2.1.151.40 on
};

// The filter of an AI channel; the keys of TRegInfo::AIFilterTypes.
enum class TRegAIFilterType : std::uint8_t {
  None = 0,
  Median = 1,
  Exponential = 2,
  MovingAverage = 3,
  Average = 4,
};

// Positions in TRegInfo::SensorRangeTables: for each sensor kind a first and a second
// pair of (minima, maxima), one value per sensor type in the order of its names.
enum TSensorRangeTable : unsigned {
  srtThermocoupleMin1,
  srtThermocoupleMax1,
  srtThermocoupleMin2,
  srtThermocoupleMax2,
  srtRtdMin1,
  srtRtdMax1,
  srtRtdMin2,
  srtRtdMax2,
  srtPyrometerMin1,
  srtPyrometerMax1,
  srtPyrometerMin2,
  srtPyrometerMax2,
  srtCount
};
