#include "recorder/info/SensorRangeTables.h"

#include "recorder/info/VersionWord.h"

namespace {

// Thermocouples: R, S, B, J, T, E, K, N, A1, A2, A3, L, M.
constexpr float kTcStandardMin[13] = {-50, -50, 0, -210, -270, -270, -270, -270, 0, 0, 0, -200, -200};
constexpr float kTcStandardMax[13] = {1768, 1768.1f, 1820, 1200, 400, 1000, 1372, 1300, 2500, 1800, 1800, 800, 100};
constexpr float kTcExtendedMin[13] = {-56.4f, -55.2f, -14.9f, -203, -203,  -203, -203,
                                      -203,   -19.3f, -7.9f,  -7.9f, -203, -203.1f};
constexpr float kTcExtendedMax[13] = {1772.4f, 1725, 1830.9f, 1015, 406,    1015,  1321,
                                      1321,    2223.2f, 1808.6f, 1808.6f, 818.5f, 115.6f};
constexpr float kTcReducedMin[13] = {-50, -50, 0, -200, -200, -200, -200, -200, 0, 0, 0, -200, -200};
constexpr float kTcReducedMax[13] = {1768, 1700, 1820, 1000, 400, 1000, 1300, 1300, 2200, 1800, 1800, 800, 100};

// Resistance thermometers: Pt 1.391, Pt 1.385, Cu 1.428, Cu 1.426, Ni 1.617.
constexpr float kRtdFirstMin[5] = {-199, -195, -180, -49, -60};
constexpr float kRtdFirstMax[5] = {850, 845, 200, 199, 180};
constexpr float kRtdSecondMin[5] = {-203, -203, -203, -53, -63};
constexpr float kRtdSecondMax[5] = {863.8f, 863.8f, 203, 205, 191};
constexpr float kRtdPlainMin[5] = {-200, -200, -200, -50, -60};
constexpr float kRtdPlainMax[5] = {850, 850, 200, 200, 180};

// Pyrometers: РК-15, РК-20, РС-20, РС-25.
constexpr float kPyroFirstMin[4] = {380.43f, 589.23f, 895.37f, 1195.04f};
constexpr float kPyroFirstMax[4] = {1500.95f, 2001.36f, 2003.46f, 2502.54f};
constexpr float kPyroPlainMin[4] = {400, 600, 900, 1200};
constexpr float kPyroPlainMax[4] = {1500, 2000, 2000, 2500};

bool StandardThermocoupleWindow(std::uint32_t gen)
{
  return (gen >= MakeVersion(1, 10, 6) && gen <= MakeVersion(1, 10, 9, 255)) ||
         (gen >= MakeVersion(2, 1, 101, 20) && gen <= MakeVersion(2, 1, 111, 255));
}

// The general parts that carry the calibrated ranges; the 2.2 branch does not.
bool CalibratedWindow(std::uint32_t gen)
{
  return (gen >= MakeVersion(1, 10, 15) && gen < kSecondLineFrom) ||
         (gen >= MakeVersion(2, 1, 125) && !IsInBranch(gen));
}

}  // namespace

TSensorRangeTables SelectSensorRangeTables(std::uint32_t gen)
{
  TSensorRangeTables t{};
  const bool calibrated = CalibratedWindow(gen);
  if (StandardThermocoupleWindow(gen)) {
    t[srtThermocoupleMin1] = kTcStandardMin;
    t[srtThermocoupleMax1] = kTcStandardMax;
    t[srtThermocoupleMin2] = kTcStandardMin;
    t[srtThermocoupleMax2] = kTcStandardMax;
  } else {
    t[srtThermocoupleMin1] = calibrated ? kTcExtendedMin : kTcReducedMin;
    t[srtThermocoupleMax1] = calibrated ? kTcExtendedMax : kTcReducedMax;
    t[srtThermocoupleMin2] = kTcReducedMin;
    t[srtThermocoupleMax2] = kTcReducedMax;
  }
  t[srtRtdMin1] = calibrated ? kRtdFirstMin : kRtdPlainMin;
  t[srtRtdMax1] = calibrated ? kRtdFirstMax : kRtdPlainMax;
  t[srtRtdMin2] = calibrated ? kRtdSecondMin : kRtdPlainMin;
  t[srtRtdMax2] = calibrated ? kRtdSecondMax : kRtdPlainMax;
  t[srtPyrometerMin1] = calibrated ? kPyroFirstMin : kPyroPlainMin;
  t[srtPyrometerMax1] = calibrated ? kPyroFirstMax : kPyroPlainMax;
  t[srtPyrometerMin2] = kPyroPlainMin;
  t[srtPyrometerMax2] = kPyroPlainMax;
  return t;
}
