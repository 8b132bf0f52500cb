#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "InfoTestSupport.h"
#include "ListsTestSupport.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace {

using Strings = std::vector<std::string>;
using Codes = std::vector<std::uint8_t>;
constexpr std::uint32_t Bit(unsigned n) { return 1u << n; }
constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(FormatDurationMs, OneSignificantDigitAndExponentFromTwoIntegerDigits)
{
  struct Case {
    double ms;
    const char* text;
  };
  const Case cases[] = {
      {1000, "1 сек."},       {5000, "5 сек."},        {10000, "1E1 сек."},  {15000, "2E1 сек."},
      {120000, "2 мин."},     {7200000, "2 час."},     {100, "0.1 сек."},    {500, "0.5 сек."},
      {2500, "3 сек."},       {60000, "1 мин."},       {9600, "1E1 сек."},   {950, "1 сек."},
      {150, "0.2 сек."},      {600000, "1E1 мин."},    {36000000, "1E1 час."}, {0, "0 сек."},
      {0.01, "0.00001 сек."}, {0.001, "1E-6 сек."},    {3599000, "6E1 мин."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ms);
    EXPECT_EQ(FormatDurationMs(c.ms), c.text);
  }
}

// --- Interfaces and ports ------------------------------------------------------

TEST(BuildLists, FeatureBit7IsClearedOnASinglePortUpTo2_1_160_5AndInTheBranch)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint32_t ports;
    bool kept;
    Codes aoTypes;  // code 5 (CAN) follows the bit after the clearing
  };
  const Case cases[] = {
      {"2.1.160.5 one port", V(2, 1, 160, 5), 1, false, {0, 1, 2, 3}},
      {"2.1.160.6 one port", V(2, 1, 160, 6), 1, true, {0, 1, 2, 3, 5}},
      {"2.1.110 two ports", V(2, 1, 110), 2, true, {0, 1, 2, 3, 5}},
      {"2.2.1 one port", V(2, 2, 1), 1, false, {0, 1}},
      {"1.10.6 no port", V(1, 10, 6), 0, true, {0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.RS485Count = c.ports;
    info.Features = Bit(7);
    info.BuildLists();
    EXPECT_EQ((info.Features & Bit(7)) != 0, c.kept);
    EXPECT_EQ(info.AOControlTypes, c.aoTypes);
  }
}

TEST(BuildLists, PortAndInterfaceNames)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint32_t features;
    std::uint8_t mask;
    Strings ports;
    std::vector<long> portObjects;
    Strings interfaces;
    std::vector<long> interfaceObjects;
  };
  const std::uint32_t eth110 = Bit(30) | Bit(6) | Bit(17);  // Ethernet from 2.1.110 on
  const std::uint32_t ethOld = Bit(30) | Bit(6) | Bit(15);  // Ethernet below 2.1.110
  const Case cases[] = {
      {"1.8 has one port", V(1, 8, 1), 0, 0, {"RS-485"}, {0}, {"нет"}, {0}},
      {"1.9 without port 1", V(1, 9, 0), Bit(4), 0, {"RS-485 №2"}, {1}, {"нет"}, {0}},
      {"no interface bit", V(2, 1, 150), Bit(6) | Bit(17), 0x0E, {"RS-485 №1", "RS-485 №2"}, {0, 1}, {"нет"}, {0}},
      {"no mask: both ports", V(2, 1, 100), Bit(30), 0, {"RS-485 №1", "RS-485 №2"}, {0, 1},
       {"нет", "RS-485 №1", "RS-485 №2"}, {0, 1, 2}},
      {"no mask, port 1 off", V(2, 1, 100), Bit(30) | Bit(4), 0, {"RS-485 №2"}, {1}, {"нет", "RS-485 №2"}, {0, 2}},
      {"no mask: no Ethernet", V(2, 1, 150), eth110, 0, {"RS-485 №1", "RS-485 №2"}, {0, 1},
       {"нет", "RS-485 №1", "RS-485 №2"}, {0, 1, 2}},
      {"mask with Ethernet", V(2, 1, 150), eth110, 0x0E, {"RS-485 №1", "RS-485 №2"}, {0, 1},
       {"нет", "RS-485 №1", "RS-485 №2", "Ethernet"}, {0, 1, 2, 3}},
      {"old Ethernet bit on 2.1.150", V(2, 1, 150), ethOld, 0x0E, {"RS-485 №1", "RS-485 №2"}, {0, 1},
       {"нет", "RS-485 №1", "RS-485 №2"}, {0, 1, 2}},
      {"old Ethernet bit on 2.1.109", V(2, 1, 109), ethOld, 0x08, {"RS-485 №1", "RS-485 №2"}, {0, 1},
       {"нет", "Ethernet"}, {0, 3}},
      {"branch: old Ethernet bit", V(2, 2, 1), ethOld, 0x08, {"RS-485 №1", "RS-485 №2"}, {0, 1},
       {"нет", "Ethernet"}, {0, 3}},
      {"branch: new Ethernet bit", V(2, 2, 1), eth110, 0x08, {"RS-485 №1", "RS-485 №2"}, {0, 1}, {"нет"}, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.Features = c.features;
    info.InterfaceMask = c.mask;
    info.BuildLists();
    EXPECT_EQ(Texts(info.RS485PortNames), c.ports);
    EXPECT_EQ(Objects(info.RS485PortNames), c.portObjects);
    EXPECT_EQ(Texts(info.InterfaceNames), c.interfaces);
    EXPECT_EQ(Objects(info.InterfaceNames), c.interfaceObjects);
  }
}

// --- Control types and modes by firmware -----------------------------------------

TEST(BuildLists, ControlTypesByFirmware)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint32_t features;
    Codes ao;
    Codes dout;
  };
  const std::uint32_t all = Bit(6) | Bit(17) | Bit(7) | Bit(25);
  const Case cases[] = {
      {"1.10.5", V(1, 10, 5), 0, {0, 1}, {0}},
      {"1.10.6", V(1, 10, 6), 0, {0, 1}, {0, 2}},
      {"2.0.20", V(2, 0, 20), all, {0, 1}, {0}},
      {"2.1.53", V(2, 1, 53), all, {0, 1}, {0}},
      {"2.1.54", V(2, 1, 54), all, {0, 1}, {0, 1, 2, 3}},
      {"2.1.60", V(2, 1, 60), all, {0, 1, 2}, {0, 1, 2, 3}},
      {"2.1.110 every source", V(2, 1, 110), all, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3}},
      {"2.1.110 no port", V(2, 1, 110), Bit(4) | Bit(5), {0, 1, 2}, {0, 1, 2, 3}},
      {"2.1.150.255", V(2, 1, 150, 255), all, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3}},
      {"2.1.151 regulators", V(2, 1, 151), all, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3, 4}},
      {"2.1.151 no regulators", V(2, 1, 151), 0, {0, 1, 2, 3}, {0, 1, 2, 3}},
      {"2.2.1 every bit", V(2, 2, 1), all, {0, 1}, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    Built(info, c.sw, c.features);
    EXPECT_EQ(info.AOControlTypes, c.ao);
    EXPECT_EQ(info.DOControlTypes, c.dout);
  }
  // The names carry the code as their object.
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 151));
  info.Features = Bit(4) | Bit(5) | Bit(25);
  info.BuildLists();
  EXPECT_EQ(Texts(info.AOControlTypeNames), (Strings{"внешн.", "матем.", "вручную", "Регулятор"}));
  EXPECT_EQ(Objects(info.AOControlTypeNames), (std::vector<long>{0, 1, 2, 6}));
  EXPECT_EQ(Texts(info.DOControlTypeNames), (Strings{"уставки", "мат. выражение", "внешнее", "вручную", "регулятор"}));
  EXPECT_EQ(Objects(info.DOControlTypeNames), (std::vector<long>{0, 1, 2, 3, 4}));
}

TEST(BuildLists, RelayAndRegulatorModesByFirmware)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint32_t features;
    Strings relayModes;
    Strings pidModes;
  };
  const Strings oldModes{"дискретный", "ШИМ", "МЭО"};
  const Strings newModes{"дискретный", "ШИМ/нагр", "МЭО/откр", "ШИМ/хол", "МЭО/закр", "дискр/нагр", "дискр/хол"};
  const Case cases[] = {
      {"no regulators", V(2, 1, 160, 50), 0, {"дискретный"}, {}},
      {"2.1.149", V(2, 1, 149), Bit(25), oldModes, {}},
      {"2.1.150", V(2, 1, 150), Bit(25), oldModes, {"выкл.", "ПИД (ШИМ/ЦАП)"}},
      {"2.1.151.39", V(2, 1, 151, 39), Bit(25), oldModes, {"выкл.", "ПИД (ШИМ/ЦАП)"}},
      {"2.1.151.40", V(2, 1, 151, 40), Bit(25), oldModes, {"выкл.", "ПИД (ШИМ/ЦАП)", "ПДД (МЭО)"}},
      {"2.1.160.49", V(2, 1, 160, 49), Bit(25), oldModes, {"выкл.", "ПИД (ШИМ/ЦАП)", "ПДД (МЭО)"}},
      {"2.1.160.50", V(2, 1, 160, 50), Bit(25), newModes, {"выкл.", "ПИД (ШИМ/ЦАП)", "ПДД (МЭО)"}},
      {"branch", V(2, 2, 1), Bit(25), newModes, {}},
      {"branch without regulators", V(2, 2, 1), 0, {"дискретный"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    Built(info, c.sw, c.features);
    EXPECT_EQ(Texts(info.DOChannelModes), c.relayModes);
    std::vector<long> codes;
    for (std::size_t i = 0; i < c.relayModes.size(); ++i) codes.push_back(static_cast<long>(i));
    EXPECT_EQ(Objects(info.DOChannelModes), codes);
    EXPECT_EQ(Texts(info.PIDModes), c.pidModes);
    if (info.PIDModes.Count() == 3) {
      EXPECT_EQ(info.PIDModes.Value(2), TRegPIDMode::PddServo);
    }
  }
}

TEST(BuildLists, ChoiceListsByFirmware)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint32_t features;
    std::set<std::uint8_t> counterSources;
    std::size_t valueModes, flowMedia, modbusTypes, reportIntervals;
  };
  const Case cases[] = {
      {"1.9", V(1, 9, 0), Bit(15) | Bit(26) | Bit(28), {}, 0, 6, 9, 5},
      {"2.1.128.89", V(2, 1, 128, 89), Bit(15), {}, 0, 5, 9, 4},
      {"2.1.128.90 program", V(2, 1, 128, 90), Bit(15) | Bit(21), {}, 3, 5, 9, 4},
      {"2.1.128.90 slave", V(2, 1, 128, 90), Bit(21), {}, 2, 5, 9, 4},
      {"2.1.128.90 manual", V(2, 1, 128, 90), 0, {}, 1, 5, 9, 4},
      {"2.1.131", V(2, 1, 131), Bit(26), {}, 1, 5, 9, 4},
      {"2.1.132", V(2, 1, 132), 0, {0, 1, 2}, 1, 5, 9, 4},
      {"2.1.132 RS-485 counter", V(2, 1, 132), Bit(26), {0, 1, 2, 3}, 1, 5, 9, 4},
      {"2.1.160.71", V(2, 1, 160, 71), 0, {0, 1, 2}, 1, 5, 9, 4},
      {"2.1.160.72", V(2, 1, 160, 72), Bit(28), {0, 1, 2}, 1, 6, 15, 4},
      {"branch", V(2, 2, 1), Bit(15) | Bit(26), {}, 0, 5, 9, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    Built(info, c.sw, c.features);
    EXPECT_EQ(info.CounterSources, c.counterSources);
    EXPECT_EQ(info.CounterSourceNames.Count(), c.counterSources.size());
    EXPECT_EQ(info.ValueModeNames.Count(), c.valueModes);
    EXPECT_EQ(info.FlowMediumNames.Count(), c.flowMedia);
    EXPECT_EQ(info.AIMBValueTypes.Count(), c.modbusTypes);
    EXPECT_EQ(info.ReportIntervalNames.Count(), c.reportIntervals);
  }
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 160, 72));
  info.Features = Bit(15) | Bit(26) | Bit(28);
  info.BuildLists();
  EXPECT_EQ(Texts(info.CounterSourceNames), (Strings{"счетчик", "канал", "мат. выражение", "RS-485"}));
  EXPECT_EQ(Texts(info.ValueModeNames), (Strings{"вручную", "Modbus Slave", "программа"}));
  EXPECT_EQ(Texts(info.FlowMediumNames),
            (Strings{"природный газ", "вода", "перегретый пар", "насыщенный пар", "воздух", "газ МР 118-05"}));
  EXPECT_EQ(info.AIMBValueTypes.Strings(8), "float dah");
  EXPECT_EQ(info.AIMBValueTypes.Strings(14), "unsigned 32bit:d");
  EXPECT_EQ(info.AIMBValueTypes.Value(14), TAIMBValueType::Unsigned32D);
  EXPECT_EQ(Texts(info.ReportIntervalNames), (Strings{"час", "день", "неделя", "месяц"}));
}

// --- Signals and sensors -------------------------------------------------------

TEST(BuildLists, SignalNamesByFirmwareWithTheRangeAsAWholeNumber)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint8_t code;
    float range1High;
    const char* text;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {"current", V(2, 1, 29), 1, 20.0f, "20 мА"},
      {"voltage truncated", V(2, 1, 29), 2, 2.5f, "2 В"},
      {"millivolt NaN", V(2, 1, 100), 3, nan, "0 мВ"},
      {"ohm negative", V(2, 1, 100), 4, -5.0f, "0 Ом"},
      {"current too large", V(2, 1, 100), 1, 1e10f, "4294967295 мА"},
      {"current infinite", V(2, 1, 100), 1, std::numeric_limits<float>::infinity(), "4294967295 мА"},
      {"none", V(2, 1, 100), 0, 20.0f, "нет"},
      {"fieldbus below 2.1.30", V(2, 1, 29, 255), 10, 1.0f, "modbus"},
      {"fieldbus from 2.1.30", V(2, 1, 30), 10, 1.0f, "RS-485"},
      {"fieldbus in the branch", V(2, 2, 1), 10, 1.0f, "modbus"},
      {"manual below 2.1.129", V(2, 1, 128, 255), 11, 1.0f, "вручную"},
      {"external from 2.1.129", V(2, 1, 129), 11, 1.0f, "внешний"},
      {"manual in the branch", V(2, 2, 1), 11, 1.0f, "вручную"},
      {"frequency", V(2, 1, 100), 16, 1.0f, "частота"},
      {"counter", V(2, 1, 100), 18, 1.0f, "счётчик"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.AISignalSupport = {SupportedSignal(c.code, c.range1High)};
    info.BuildLists();
    EXPECT_EQ(info.AISignalSupport[0].Name, c.text);
  }
}

TEST(BuildLists, SignalCodeAbove18IsRefusedAndTheInformationStaysIncomplete)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 100));
  info.AISignalSupport.push_back(SupportedSignal(19, 1.0f));
  EXPECT_EQ(CheckOf([&] { info.BuildLists(); }), 2617);
  EXPECT_TRUE(info.InfoIncomplete);
}

TEST(BuildLists, DisplayMasksAndThermalSignals)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 100));
  info.AISignalSupport = {SupportedSignal(1, 20.0f, 0), SupportedSignal(2, 10.0f, 3), SupportedSignal(7, 1.0f, 1)};
  info.BuildLists();
  EXPECT_EQ(info.SignalFormatMasks, (Strings{"0.", "0.000", "0.0"}));
  EXPECT_EQ(info.FormatMasks[0], "0.0#####");
  EXPECT_EQ(info.FormatMasks[1], "0.0######");
  EXPECT_FALSE(info.HasTcOrPyrometer);
  info.AISignalSupport.push_back(SupportedSignal(5, 1.0f));
  info.BuildLists();
  EXPECT_TRUE(info.HasTcOrPyrometer);
  info.AISignalSupport = {SupportedSignal(6, 1.0f)};
  info.BuildLists();
  EXPECT_TRUE(info.HasTcOrPyrometer);
}

TEST(BuildLists, SensorNamesByMask)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 100));
  info.GenAux1 = 0x0A;
  info.GenAux2 = 0xE001;  // bits 13-15 have no thermocouple: the list stops there
  info.RtdTypeMask = 0x1F;
  info.RtdR0Mask = 0x89;  // bit 7 has no resistance
  info.GenAux3 = 0x05;
  info.BuildLists();
  EXPECT_EQ(Texts(info.RtdWiringNames), (Strings{"2х пров.", "4х пров.+дет. обр."}));
  EXPECT_EQ(Objects(info.RtdWiringNames), (std::vector<long>{1, 3}));
  EXPECT_EQ(Texts(info.ThermocoupleNames), (Strings{"ТПП13 (R)"}));
  EXPECT_EQ(Texts(info.RtdTypeNames), (Strings{"Pt 1.391 (П)", "Pt 1.385", "Cu 1.428 (М)", "Cu 1.426", "Ni 1.617 (Н)"}));
  EXPECT_EQ(Texts(info.RtdR0Names), (Strings{"10 Ом", "100 Ом"}));
  EXPECT_EQ(Objects(info.RtdR0Names), (std::vector<long>{0, 3}));
  EXPECT_EQ(info.RtdR0List, (std::vector<std::uint32_t>{10, 100}));
  EXPECT_EQ(Texts(info.PyrometerNames), (Strings{"РК-15", "РС-20"}));
  info.GenAux2 = 0x1FFF;
  info.BuildLists();
  EXPECT_EQ(Texts(info.ThermocoupleNames),
            (Strings{"ТПП13 (R)", "ТПП10 (S)", "ТПР (B)", "ТЖК (J)", "ТМК (T)", "ТХКн (E)", "ТХА (K)", "ТНН (N)",
                     "ТВР (A1)", "ТВР (A2)", "ТВР (A3)", "ТХК (L)", "ТМК (M)"}));
}

TEST(BuildLists, SensorRangeTablesFollowTheGeneralPartsFirmware)
{
  enum Set { Reduced, Standard, Calibrated };
  struct Case {
    const char* name;
    std::uint32_t gen;
    Set set;
  };
  const Case cases[] = {
      {"1.10.5", V(1, 10, 5), Reduced},         {"1.10.6", V(1, 10, 6), Standard},
      {"1.10.9.255", V(1, 10, 9, 255), Standard}, {"1.10.10", V(1, 10, 10), Reduced},
      {"1.10.15", V(1, 10, 15), Calibrated},    {"2.1.101.19", V(2, 1, 101, 19), Reduced},
      {"2.1.101.20", V(2, 1, 101, 20), Standard}, {"2.1.111.255", V(2, 1, 111, 255), Standard},
      {"2.1.124", V(2, 1, 124, 255), Reduced},  {"2.1.125", V(2, 1, 125), Calibrated},
      {"2.2.1", V(2, 2, 1), Reduced},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    // The device's own firmware does not choose the tables.
    SetUpRecorder(info, V(2, 1, 150));
    info.GenSwVersion = c.gen;
    info.BuildLists();
    const auto& t = info.SensorRangeTables;
    ASSERT_EQ(t[srtThermocoupleMax1].size(), 13u);
    ASSERT_EQ(t[srtRtdMin2].size(), 5u);
    ASSERT_EQ(t[srtPyrometerMax2].size(), 4u);
    // Type S tells the three thermocouple tables apart: 1768.1 standard, 1725
    // extended, 1700 reduced.
    EXPECT_EQ(t[srtThermocoupleMax1][1], c.set == Standard ? 1768.1f : c.set == Calibrated ? 1725.0f : 1700.0f);
    EXPECT_EQ(t[srtThermocoupleMax2][1], c.set == Standard ? 1768.1f : 1700.0f);
    EXPECT_EQ(t[srtThermocoupleMin1][0], c.set == Calibrated ? -56.4f : -50.0f);
    EXPECT_EQ(t[srtThermocoupleMin2][3], c.set == Standard ? -210.0f : -200.0f);
    EXPECT_EQ(t[srtRtdMax1][1], c.set == Calibrated ? 845.0f : 850.0f);
    EXPECT_EQ(t[srtRtdMin2][0], c.set == Calibrated ? -203.0f : -200.0f);
    EXPECT_EQ(t[srtRtdMax2][0], c.set == Calibrated ? 863.8f : 850.0f);
    EXPECT_EQ(t[srtPyrometerMin1][0], c.set == Calibrated ? 380.43f : 400.0f);
    EXPECT_EQ(t[srtPyrometerMax1][3], c.set == Calibrated ? 2502.54f : 2500.0f);
    EXPECT_EQ(t[srtPyrometerMin2][0], 400.0f);
    EXPECT_EQ(t[srtThermocoupleMax1][12], c.set == Calibrated ? 115.6f : 100.0f);
  }
}

// --- Filters, limits and periods ----------------------------------------------------

TEST(BuildLists, AIFiltersByFirmware)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint32_t filterParam, timeBase;
    Strings names;
    std::map<std::uint8_t, std::uint32_t> limits;
    std::vector<std::uint32_t> maxList;
  };
  const Strings five{"нет", "мед.", "эксп.", "ск.ср.", "средн."};
  const Case cases[] = {
      {"2.1.159", V(2, 1, 159), 50, 100, five, {{0, 0}, {1, 125}, {2, 9999}, {3, 500}, {4, 9999}}, {}},
      {"2.1.158 long filter", V(2, 1, 158), 255, 10, five, {{0, 0}, {1, 6375}, {2, 25500}, {3, 9999}, {4, 25500}}, {}},
      {"2.1.157", V(2, 1, 157, 255), 50, 100, {"нет", "мед."}, {{0, 0}, {1, 49}}, {0, 49}},
      {"branch", V(2, 2, 1), 50, 100, {"нет", "мед."}, {{0, 0}, {1, 49}}, {0, 49}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.DevFilterParam = c.filterParam;
    info.GenTimeBase = c.timeBase;
    info.BuildLists();
    EXPECT_EQ(Texts(info.AIFilterNames), c.names);
    EXPECT_EQ(info.AIFilterTypes, c.limits);
    EXPECT_EQ(info.FilterMaxList, c.maxList);
  }
}

TEST(BuildLists, DecimalLimitsChangeAt2_1_159)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    int decimals, minPrec, maxPrec, min, max;
  };
  const Case cases[] = {
      {"2.1.158", V(2, 1, 158, 255), 1, 1, 6, 0, 9999999},
      {"2.1.159", V(2, 1, 159), 0, 0, 3, 0, 65535},
      {"branch", V(2, 2, 3, 255), 1, 1, 6, 0, 9999999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.BuildLists();
    const auto& first = info.ValueLimitEx1;
    EXPECT_EQ(first.GetPrec(), 1);
    EXPECT_EQ(first.GetMinPrec(), 1);
    EXPECT_EQ(first.GetMaxPrec(), 6);
    EXPECT_EQ(first.GetMin(), -9999999);
    EXPECT_EQ(first.GetMax(), 9999999);
    const auto& second = info.ValueLimitEx2;
    EXPECT_EQ(second.GetPrec(), c.decimals);
    EXPECT_EQ(second.GetMinPrec(), c.minPrec);
    EXPECT_EQ(second.GetMaxPrec(), c.maxPrec);
    EXPECT_EQ(second.GetMin(), c.min);
    EXPECT_EQ(second.GetMax(), c.max);
  }
}

TEST(BuildLists, PeriodsOfASecondTimeBase)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 0, 20));
  info.GenTimeBase = 1000;
  info.BuildLists();
  const Strings periods{"1 сек.", "5 сек.", "1E1 сек.", "3E1 сек.", "5E1 сек.", "3 мин.", "5 мин.", "1E1 мин.", "нет"};
  const std::vector<long> multipliers{1, 5, 10, 25, 50, 150, 300, 600, 0};
  EXPECT_EQ(Texts(info.PeriodNames), periods);
  EXPECT_EQ(Objects(info.PeriodNames), multipliers);
  EXPECT_EQ(Texts(info.ShortPeriodNames), periods);
  EXPECT_EQ(Objects(info.ShortPeriodNames), multipliers);
  EXPECT_EQ(Texts(info.MinutePeriodNames),
            (Strings{"1 мин.", "5 мин.", "1E1 мин.", "3E1 мин.", "5E1 мин.", "3 час.", "5 час.", "1E1 час."}));
  EXPECT_EQ(Objects(info.MinutePeriodNames), (std::vector<long>{1, 5, 10, 25, 50, 150, 300, 600}));
}

TEST(BuildLists, ShortPeriodsOfTheFirstLine)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    Strings periods;
  };
  const Case cases[] = {
      {"1.7", V(1, 7, 0), {"0.1 сек.", "0.5 сек."}},
      {"1.8", V(1, 8, 1), {"0.1 сек.", "0.5 сек.", "1 сек."}},
      {"1.9", V(1, 9, 0), {"0.1 сек.", "0.5 сек."}},
      {"1.10", V(1, 10, 6), {"0.1 сек.", "0.5 сек."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.BuildLists();
    EXPECT_EQ(Texts(info.ShortPeriodNames), c.periods);
    EXPECT_EQ(Texts(info.ReportIntervalNames), (Strings{"час", "день", "неделя", "месяц", "год"}));
  }
}

// --- Display pages and names -----------------------------------------------------

TEST(BuildLists, DisplayPageLimitsByFirmware)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint32_t features, pageChannels;
    unsigned views, layouts, groups, pens;
    const char* lastPen;
    std::uint32_t lastColor;
  };
  const Case cases[] = {
      {"1.10.3", V(1, 10, 3), 0, 6, 4, 1, 1, 6, "желтый", 0x00FFFF},
      {"1.10.4", V(1, 10, 4), 0, 6, 4, 1, 4, 6, "желтый", 0x00FFFF},
      {"2.0.2.1", V(2, 0, 2, 1), 0, 12, 4, 1, 3, 8, "коричневый", 0x2A2AA5},
      {"2.0.2.2", V(2, 0, 2, 2), 0, 12, 4, 2, 3, 8, "коричневый", 0x2A2AA5},
      {"2.1.49", V(2, 1, 49), Bit(14), 12, 4, 2, 5, 12, "малиновый", 0x800080},
      {"2.1.50 with scheme", V(2, 1, 50), Bit(14), 12, 6, 2, 5, 12, "малиновый", 0x800080},
      {"2.1.50", V(2, 1, 50), 0, 12, 5, 2, 5, 12, "малиновый", 0x800080},
      {"2.1.90, 16 per page", V(2, 1, 90), 0, 16, 5, 2, 5, 16, "16", 0x00E050},
      {"2.1.100, 24 per page", V(2, 1, 100), 0, 24, 5, 2, 5, 20, "20", 0x0060A0},
      {"branch, 20 per page", V(2, 2, 1), Bit(14), 20, 4, 2, 5, 12, "малиновый", 0x800080},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.Features = c.features;
    info.PageChannelCount = c.pageChannels;
    info.BuildLists();
    EXPECT_EQ(info.PageViewCount, c.views);
    EXPECT_EQ(info.PageLayoutCount, c.layouts);
    EXPECT_EQ(info.PageGroupCount, c.groups);
    EXPECT_EQ(info.PagePenCount, c.pens);
    ASSERT_EQ(info.PenNames.Count(), c.pens);
    EXPECT_EQ(info.PenNames.Strings(c.pens - 1), c.lastPen);
    ASSERT_EQ(info.Colors.size(), c.pens);
    EXPECT_EQ(info.Colors.back(), c.lastColor);
    EXPECT_EQ(info.PageViewNames.Count(), c.views);
    EXPECT_EQ(info.PageLayoutNames.Count(), c.layouts);
    EXPECT_EQ(info.PageGroupNames.Count(), c.groups);
  }
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 50));
  info.Features = Bit(14);
  info.BuildLists();
  EXPECT_EQ(Texts(info.PageViewNames), (Strings{"тренд", "шкала", "числа", "тренд+шкала", "циферблат", "мнемосхема"}));
  EXPECT_EQ(Objects(info.PageViewNames), std::vector<long>(6, 0));
  EXPECT_EQ(Texts(info.PageLayoutNames), (Strings{"совмещенный", "раздельный"}));
  EXPECT_EQ(Texts(info.PageGroupNames), (Strings{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(info.PenNames.Strings(0), "синий");
  EXPECT_EQ(info.Colors.front(), 0xFF0000u);
}

// --- The builder as a whole --------------------------------------------------------

// Every list and every value the builder sets, as text.
std::string Snapshot(const TRegInfo& info)
{
  std::ostringstream out;
  auto list = [&out](const char* name, const TStringList& l) {
    out << name << ':';
    for (const auto& item : l.Items()) out << item.Text << '=' << item.Object << ';';
    out << '\n';
  };
  auto codes = [&out](const char* name, const auto& values) {
    out << name << ':';
    for (auto v : values) out << +v << ';';
    out << '\n';
  };
  list("aimb", info.AIMBValueTypes);
  codes("ao", info.AOControlTypes);
  list("aon", info.AOControlTypeNames);
  codes("do", info.DOControlTypes);
  list("don", info.DOControlTypeNames);
  list("dom", info.DOChannelModes);
  for (const auto& table : info.SensorRangeTables) out << table.data() << table.size() << ';';
  for (const auto& var : info.ExprVars) {
    out << var.Name << '{';
    for (const auto& member : var.Members) out << member << ',';
    out << '}';
  }
  for (const auto& [name, f] : info.ExprFuncs) out << name << +f.Class << +f.MinArgs << +f.MaxArgs << f.Flag << ';';
  out << '\n';
  for (const TStringList* l :
       {static_cast<const TStringList*>(&info.RtdWiringNames), &info.ThermocoupleNames, &info.ColdJunctionModes, &info.RtdTypeNames, &info.RtdR0Names,
        &info.PyrometerNames, &info.PeriodNames, &info.AIFilterNames, &info.ShortPeriodNames, &info.MinutePeriodNames,
        &info.ValueModeNames, &info.FlowMediumNames, &info.ReportIntervalNames, &info.PageViewNames,
        &info.PageLayoutNames, &info.PenNames, &info.PageGroupNames, &info.AINames, &info.AONames, &info.DINames,
        &info.DONames, &info.IPNames, &info.SMNames, &info.CTNames, &info.TTLNames, &info.TMRNames, &info.CtlNames,
        &info.RS485PortNames, &info.InterfaceNames, &info.CounterSourceNames, static_cast<const TStringList*>(&info.PIDModes)})
    list("", *l);
  codes("pages", std::vector<int>{info.PageViewCount, info.PagePenCount, info.PageGroupCount, info.PageLayoutCount});
  codes("sources", info.CounterSources);
  codes("colors", info.Colors);
  codes("r0", info.RtdR0List);
  codes("fmax", info.FilterMaxList);
  for (const auto& [type, limit] : info.AIFilterTypes) out << +type << '=' << limit << ';';
  for (const auto& mask : info.SignalFormatMasks) out << mask << ';';
  for (const auto& mask : info.FormatMasks) out << mask << ';';
  out << info.Features << ';' << info.HasTcOrPyrometer << ';' << info.AOChannels.size() << '\n';
  for (const auto& s : info.AISignalSupport) out << s.Name << ';';
  for (const auto& c : info.AIChannels) out << c.Name << c.ExprName << c.ExprName2 << ';';
  for (const auto& c : info.DIChannels) {
    out << c.Name << c.ExprName << +c.ModuleKind << c.ModuleIndex << ';';
    list("ev", c.EventConditions);
  }
  return out.str();
}

TEST(BuildLists, BuildingTwiceGivesTheSameLists)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 160));
  info.Features = Bit(6) | Bit(7) | Bit(9) | Bit(13) | Bit(14) | Bit(17) | Bit(19) | Bit(25) | Bit(26) | Bit(30);
  info.RS485Count = 1;
  info.InterfaceMask = 0x0E;
  info.GenFlags = 1;
  info.GenOptionMask = 0x07;
  info.GenAux1 = 0x0F;
  info.GenAux2 = 0x1FFF;
  info.RtdTypeMask = 0x1F;
  info.RtdR0Mask = 0x7F;
  info.GenAux3 = 0x0F;
  info.ModuleSlots = {3, 4, 0, 0, 0, 0};
  info.DIChannels.assign(16, DIChannel(0x03));
  info.AOCount = 2;
  info.ExtAOCount = 2;
  info.AOChannels.assign(2, TRegInfo::TRegAOChannelInfo(0));
  info.DOCount = 2;
  info.DOChannels.resize(2);
  info.IPChannels.resize(3);
  info.IPCount = 3;
  info.SMCount = info.CTCount = info.TTLCount = info.TMRCount = info.CtlCount = 2;
  info.UserTableCount = 3;
  info.BuildLists();
  EXPECT_FALSE(info.InfoIncomplete);
  const std::string first = Snapshot(info);
  info.BuildLists();
  EXPECT_EQ(Snapshot(info), first);
  EXPECT_EQ(info.AOChannels.size(), 4u);
  EXPECT_EQ(info.PeriodNames.Count(), 9u);
}

}  // namespace
