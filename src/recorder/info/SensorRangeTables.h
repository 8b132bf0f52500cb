#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "recorder/info/RegInfoEnums.h"

// The measuring ranges of the sensors, in degrees Celsius, one value per sensor type in
// the order of the type names (13 thermocouples, 5 resistance thermometers, 4
// pyrometers). The general part's firmware decides which tables it works with: the
// standard thermocouple ranges on two early windows, extended and reduced ranges (and
// the calibrated RTD and pyrometer ranges) on the later general parts, the reduced and
// plain ranges otherwise.
using TSensorRangeTables = std::array<std::span<const float>, srtCount>;

TSensorRangeTables SelectSensorRangeTables(std::uint32_t genSwVersion);
