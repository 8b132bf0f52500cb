#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AITestSupport.h"
#include "recorder/info/InfoTestSupport.h"

// Records come from vectors/ai_ao.py (ai_ao.txt), written from the record layouts; the
// fields expected of them are the values that script encoded. A record read at its
// firmware and written for the same firmware gives the same bytes back.

namespace {

using ai_vectors_expect = void (*)(const TRegAIConfig&);

struct AIVector {
  const char* name;
  std::uint32_t version;
  std::uint32_t genVersion;  // 0: the same
  ai_vectors_expect expect;
};

class AIRecordVector : public testing::TestWithParam<AIVector> {};

TEST_P(AIRecordVector, DecodesTheFieldsAndWritesTheSameBytes)
{
  const AIVector& v = GetParam();
  const auto& record = RecordVector("ai_ao", v.name);
  AIDevice device(v.version, v.genVersion);
  TRegAIConfig& ai = device.AI();
  ai.ReadRecord(record);
  v.expect(ai);
  EXPECT_EQ(Written(ai, v.version), record);
}

void Limits(const fixed::TFloatPrecEx<int>& limit, int mantissa, int decimals)
{
  EXPECT_EQ(limit.GetMantissa(), mantissa);
  EXPECT_EQ(limit.GetPrec(), decimals);
}

// The events of the 14-byte vectors: three bytes per limit read back as written.
void Events14(const TRegAIConfig& ai)
{
  Limits(ai.Events[0].Limit1, 1, 1);  // 0.1
  Limits(ai.Events[0].Limit2, 254, 1);  // 25.4
  Limits(ai.Events[1].Limit1, 1234, 2);
  Limits(ai.Events[2].Limit1, -27315, 2);
  Limits(ai.Events[3].Limit2, 100001, 1);
  EXPECT_EQ(ai.Events[1].Actions[0], 0x0304);
  EXPECT_EQ(ai.Events[2].EventOption1, 7);
  EXPECT_EQ(ai.Events[2].EventOption2, 9);
  EXPECT_EQ(ai.Events[0].Kind, 2);
}

void Events14Fields(const TRegAIConfig& ai)
{
  EXPECT_EQ(ai.Events[0].ActionFieldA, 2u);
  EXPECT_EQ(ai.Events[0].ActionFieldB, 1u);
  EXPECT_EQ(ai.Events[0].Actions[0], 0x0309);
  EXPECT_EQ(ai.Events[1].Actions[1], 0x0417);
  Limits(ai.Events[3].Limit2, 3, 1);
}

void Events13(const TRegAIConfig& ai, std::uint16_t second, std::uint16_t third)
{
  Limits(ai.Events[0].Limit1, 125, 1);
  Limits(ai.Events[1].Limit1, -2735, 1);
  Limits(ai.Events[1].Limit2, 1000, 1);
  Limits(ai.Events[3].Limit1, 12345, 3);
  EXPECT_EQ(ai.Events[1].Actions[0], second);
  EXPECT_EQ(ai.Events[2].Actions[0], third);
  EXPECT_EQ(ai.Events[3].Kind, 3);
}

void Source485(const TRegExtSource& s, std::uint8_t protocol)
{
  EXPECT_EQ(s.Protocol, protocol);
  EXPECT_EQ(s.Address, 0x00123456u);
  EXPECT_EQ(s.Port, 1u);
}

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c) { return MakeVersion(a, b, c); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(FirstLine, AIRecordVector, testing::Values(
    AIVector{"aiA_v1_4_2", V(1, 4, 2), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Name, "Термопара печи №1");
      EXPECT_EQ(ai.SignalIndex, 3);
      EXPECT_EQ(ai.InputLow.ToDouble(), 4.0);
      EXPECT_EQ(ai.Option1, 1);
      EXPECT_EQ(ai.RtdWiring, 2);
      EXPECT_EQ(ai.TcType, 5);
      EXPECT_EQ(ai.CjcTemperature.GetMantissa(), 2250);
      EXPECT_EQ(ai.RtdType, 4);
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 100);  // position 3 of the list, in whole ohms
      EXPECT_EQ(ai.Expression, "a1+a2");
      EXPECT_EQ(ai.TransferFunction, 3);
      EXPECT_EQ(ai.Units, "°C");
      EXPECT_EQ(ai.ScaleLow.GetMantissa(), -500);
      EXPECT_EQ(ai.ScaleHigh.GetMantissa(), 12005);
      EXPECT_EQ(ai.ScaleDecimals, 1u);
      EXPECT_EQ(ai.Events[1].Actions[0], 0x0404);  // byte 7: class 4, parameter 4
      EXPECT_EQ(ai.Events[2].Actions[1], 0x0104);
    }},
    AIVector{"aiB_v1_7_0_rtd", V(1, 7, 0), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.SignalIndex, PositionOf(7));
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 500);
      EXPECT_EQ(ai.RtdParam.GetMantissa(), 0);
      EXPECT_EQ(ai.RtdType, 3);
      EXPECT_EQ(ai.ScaleDecimals, 2u);  // 0.0..100.0 shown with two decimals
      EXPECT_EQ(ai.FilterType, 1);
      EXPECT_EQ(ai.FilterLength, 10);
      Events13(ai, 0x0507, 0x010B);
    }},
    AIVector{"aiB_v1_9_0_rtd_value", V(1, 9, 0), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdParam.GetMantissa(), 385);
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 10000);
      EXPECT_EQ(ai.ScaleHigh.GetMantissa(), 99125);
      EXPECT_EQ(ai.ScaleDecimals, 1u);
      Events13(ai, 0x0514, 0x010B);  // 0x75: class 20 from 1.9 on
    }},
    AIVector{"aiB_v1_9_0_tc", V(1, 9, 0), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.SignalIndex, PositionOf(6));
      EXPECT_EQ(ai.TcType, 12);
      EXPECT_EQ(ai.CjcMode, 3);
      EXPECT_EQ(ai.CjcTemperature.GetMantissa(), -1525);
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 10000);
    }},
    AIVector{"aiB_v1_7_0_flow", V(1, 7, 0), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Flow.Medium, 0);
      EXPECT_EQ(ai.Flow.FlowByte1, 1);
      EXPECT_EQ(ai.Flow.FlowByte7, 7);
      EXPECT_EQ(ai.Flow.FlowWord1, 0x01020304u);
      EXPECT_EQ(ai.Flow.FlowByte8, 8);
      EXPECT_EQ(ai.Flow.FlowByte9, 9);
      EXPECT_EQ(ai.Flow.GasParam1, 0.5f);
      EXPECT_EQ(ai.Flow.GasOption, 3);
      EXPECT_EQ(ai.Pyrometer, 3);
      EXPECT_EQ(ai.Expression, "");
    }},
    AIVector{"aiB_v1_7_0_expr120", V(1, 7, 0), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Expression, std::string(120, 'x'));
    }},
    AIVector{"aiC_v1_8_1_rs485", V(1, 8, 1), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.SignalIndex, PositionOf(10));
      EXPECT_EQ(ai.FilterLength, 49);
      EXPECT_EQ(ai.RtdWiring, 1);
      EXPECT_EQ(ai.Pyrometer, 2);
      EXPECT_EQ(ai.TcType, 3);
      EXPECT_EQ(ai.CjcMode, 4);
      EXPECT_EQ(ai.Source.Port, 1u);
      EXPECT_EQ(ai.Source.Address, 0x5Au);
      EXPECT_EQ(ai.Source.RegisterKind, 3u);
      EXPECT_EQ(ai.Source.Register, 0x2CDu);
      EXPECT_EQ(ai.Source.ValueType, 9);
      EXPECT_EQ(ai.Units, "кПа");
      EXPECT_EQ(ai.Expression, std::string(120, 'y'));  // all of the area, read and written
      EXPECT_EQ(ai.Events[1].Actions[0], 0x0009);
      Limits(ai.Events[1].Limit1, -15, 1);
    }},
    AIVector{"aiC_v1_8_1_rtd", V(1, 8, 1), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 1000);
    }},
    AIVector{"aiD_v1_10_5_tc", V(1, 10, 5), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.CjcTemperature.GetMantissa(), 2550);
      EXPECT_EQ(ai.Source.Address, 0x33u);
      EXPECT_EQ(ai.Source.RegisterKind, 2u);
      EXPECT_EQ(ai.Source.ValueType, 8);
      EXPECT_EQ(ai.Source.Register, 0x1234u);
      EXPECT_EQ(ai.FilterLength, 7);
      EXPECT_EQ(ai.TcType, 11);
      EXPECT_EQ(ai.CjcMode, 5);
      EXPECT_EQ(ai.ScaleDecimals, 2u);
    }},
    AIVector{"aiD_v1_10_5_rtd", V(1, 10, 5), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 5000);  // the value form takes any value
      EXPECT_EQ(ai.RtdParam.GetMantissa(), 0);
      EXPECT_EQ(ai.Units, "Ом");
    }},
    AIVector{"aiD_v1_10_5_expr", V(1, 10, 5), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Expression, std::string(119, 'z'));
    }}),
    [](const testing::TestParamInfo<AIVector>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(SecondLine, AIRecordVector, testing::Values(
    AIVector{"aiF_v2_0_20_resistance", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Name, "R");
      EXPECT_EQ(ai.SignalIndex, PositionOf(4));
      EXPECT_EQ(ai.RtdWiring, 2);
      EXPECT_EQ(ai.FilterLength, 20);
      EXPECT_EQ(ai.TransferFunction, 2);
      EXPECT_EQ(ai.ScaleDecimals, 2u);
      EXPECT_EQ(ai.Expression, "a");
      Events14(ai);
    }},
    AIVector{"aiF_v2_0_20_pyrometer", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Pyrometer, 3);
      EXPECT_EQ(ai.ScaleDecimals, 1u);
    }},
    AIVector{"aiF_v2_0_20_tc", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.TcType, 6);
      EXPECT_EQ(ai.CjcMode, 4);
      EXPECT_EQ(ai.CjcTemperature.GetMantissa(), 2540);
      EXPECT_EQ(ai.ScaleLow.GetMantissa(), -500);
    }},
    AIVector{"aiF_v2_0_20_rtd", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdWiring, 3);
      EXPECT_EQ(ai.RtdType, 4);
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 53);
    }},
    AIVector{"aiF_v2_0_20_flow", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Flow.Medium, 3);
      EXPECT_EQ(ai.Flow.SteamParam, 2.5f);
      EXPECT_EQ(ai.Flow.FlowByte1, 9);
    }},
    AIVector{"aiF_v2_0_20_rs485", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      Source485(ai.Source, 0);
      EXPECT_EQ(ai.Source.RegisterKind, 2u);
      EXPECT_EQ(ai.Source.ValueType, 7);
      EXPECT_EQ(ai.Source.Register, 0x0ABCu);
      EXPECT_EQ(ai.Expression, "q");
    }},
    // The old signal 11 of firmware below 2.1.30 reads as signal 10 with protocol 1.
    AIVector{"aiF_v2_0_20_old_external", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.SignalIndex, PositionOf(10));
      Source485(ai.Source, 1);
      EXPECT_EQ(ai.Source.Proto1Param1, 0x12u);
      EXPECT_EQ(ai.Source.Proto1Param2, 0x34u);
      EXPECT_EQ(ai.Source.Proto1Param3, 5u);
      EXPECT_EQ(ai.Source.Proto1Param4, 6u);
    }},
    AIVector{"aiF_v2_0_20_math", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Expression, "(a1+a2)/2");
      EXPECT_EQ(ai.TransferFunction, 4);
    }},
    AIVector{"aiF_v2_0_20_frequency", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.SignalIndex, PositionOf(13));
      EXPECT_EQ(ai.Expression, "f");
      EXPECT_EQ(ai.FreqParam1.GetMantissa(), 1) << "form F carries no frequency settings";
    }},
    AIVector{"aiF_v2_0_20_ethernet", V(2, 0, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.SignalIndex, PositionOf(15));
    }},
    AIVector{"aiG_v2_1_20_old_external", V(2, 1, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.SignalIndex, PositionOf(10));
      EXPECT_EQ(ai.SignalFlag, 1);
      Source485(ai.Source, 1);
      EXPECT_EQ(ai.Source.Proto1Param1, 0x12u);
      EXPECT_EQ(ai.Source.Proto1Param4, 6u);
    }},
    AIVector{"aiG_v2_1_20_tc", V(2, 1, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.CjcTemperature.GetMantissa(), 2500);  // 25.00 degrees, as the float says
      EXPECT_EQ(ai.FilterLength, 5);
    }},
    AIVector{"aiG_v2_1_20_rtd_index", V(2, 1, 20), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 200);
      EXPECT_EQ(ai.RtdWiring, 1);
    }},
    AIVector{"aiG_v2_1_40_rs485_p2", V(2, 1, 40), 0, [](const TRegAIConfig& ai) {
      Source485(ai.Source, 2);
      EXPECT_EQ(ai.Source.Proto2Param1, 0x77u);
      EXPECT_EQ(ai.Source.Proto2Param2, 0xBEEF);
      EXPECT_EQ(ai.TransferFunction, 4);
      EXPECT_EQ(ai.ScaleDecimals, 2u);
      EXPECT_EQ(ai.ScaleAux, 3);
      EXPECT_EQ(ai.Expression, "e");
    }},
    AIVector{"aiG_v2_1_40_rs485_p3", V(2, 1, 40), 0, [](const TRegAIConfig& ai) {
      Source485(ai.Source, 3);
      EXPECT_EQ(ai.Source.Proto3Param, 0x42u);
    }},
    AIVector{"aiG_v2_1_90_rtd_value", V(2, 1, 90), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdParam.GetMantissa(), 391);
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 10000);
      EXPECT_EQ(ai.LegacyOption, 0x5Cu);
      Events14Fields(ai);
    }},
    AIVector{"aiG_v2_1_90_rs485_p1", V(2, 1, 90), 0, [](const TRegAIConfig& ai) {
      Source485(ai.Source, 1);
      EXPECT_EQ(ai.SignalIndex, PositionOf(10));
    }},
    AIVector{"aiG_v2_1_131_resistance", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdWiring, 3);
      EXPECT_EQ(ai.Expression, "a");
    }},
    AIVector{"aiG_v2_1_131_pyrometer", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Pyrometer, 2);
    }},
    AIVector{"aiG_v2_1_131_table", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.TransferFunction, 5);
      EXPECT_EQ(ai.TransferTable[0], 20);  // stored as the device sent it
      EXPECT_EQ(ai.TransferTable[1], 99);
      EXPECT_EQ(ai.TransferTable[115], 114);
    }},
    AIVector{"aiG_v2_1_131_argument", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.TransferArg, 0xBEEFu);
    }},
    AIVector{"aiG_v2_1_131_math", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.ValueSource, (ValueSource{1, 3}));
      EXPECT_EQ(ai.Expression, "max(a1,a2)");
    }},
    AIVector{"aiG_v2_1_131_external", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.ExternalOption, 2);
    }},
    AIVector{"aiG_v2_1_131_can", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.CanParam1, 0x21u);
      EXPECT_EQ(ai.Source.CanParam2, 0x22u);
      EXPECT_EQ(ai.Source.CanParam3, 1u);
      EXPECT_EQ(ai.Source.CanParam4, 0x2324u);
    }},
    AIVector{"aiG_v2_1_131_frequency", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.FreqParam1.GetMantissa(), 250);
      EXPECT_EQ(ai.FreqParam2.GetMantissa(), 60000);
    }},
    AIVector{"aiG_v2_1_131_pulse", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.PulseFactor.GetMantissa(), 25);
      EXPECT_EQ(ai.PulseFactor.GetPrec(), 1);
      EXPECT_EQ(ai.PulseOption1, 3);
      EXPECT_EQ(ai.PulseOption2, 5);
      EXPECT_EQ(ai.PulseParam.GetMantissa(), 1500);
    }},
    AIVector{"aiG_v2_1_131_ethernet", V(2, 1, 131), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.EthOption, 2);
      EXPECT_EQ(ai.Source.EthAddress, 0xC0A8010Au);
      EXPECT_EQ(ai.Source.EthRegisterKind, 1u);
      EXPECT_EQ(ai.Source.EthValueType, 5);
      EXPECT_EQ(ai.Source.EthRegister, 40001u);
    }},
    AIVector{"aiG_v2_1_157_flow", V(2, 1, 157), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Flow.GasSpare, (std::array<std::uint8_t, 3>{1, 2, 3}));  // the 100-byte form keeps them
      EXPECT_EQ(ai.Flow.GasParam3, 0.7f);
    }},
    AIVector{"aiG_v2_2_1_flow", V(2, 2, 1), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Flow.Medium, 4);
    }},
    AIVector{"aiG_v2_2_1_table", V(2, 2, 1), 0, [](const TRegAIConfig& ai) {
      // The branch keeps the older layout: an expression whatever the transfer function.
      EXPECT_EQ(ai.TransferFunction, 5);
      EXPECT_EQ(ai.Expression, "ab");
      EXPECT_EQ(ai.TransferTable[0], 0);
    }},
    AIVector{"aiH_v2_1_160_pulse", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Option1, 3);
      EXPECT_EQ(ai.Option2, 1);
      EXPECT_EQ(ai.SignalFlag, 1);
      EXPECT_EQ(ai.ScaleAux, 5);
      EXPECT_EQ(ai.InputLow.ToDouble(), 4.0);
      EXPECT_EQ(ai.InputHigh.ToDouble(), 20.0);
      EXPECT_EQ(ai.PulseFactor.GetMantissa(), 125);
      EXPECT_EQ(ai.PulseFactor.GetPrec(), 3);
      EXPECT_EQ(ai.PulseOption1, 3);
      EXPECT_EQ(ai.PulseOption2, 4);
      EXPECT_EQ(ai.PulseParam.GetMantissa(), 1500);
      Limits(ai.Events[0].Limit1, -55, 1);
      Limits(ai.Events[1].Limit1, 9999999, 6);
      Limits(ai.Events[1].Limit2, 65535, 0);
      Limits(ai.Events[2].Limit1, -16777, 3);
      EXPECT_EQ(ai.Events[0].ActionFieldA, 2u);
    }},
    AIVector{"aiH_v2_1_160_resistance", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdWiring, 1);
    }},
    AIVector{"aiH_v2_1_160_pyrometer", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Pyrometer, 3);
    }},
    AIVector{"aiH_v2_1_160_tc", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.CjcTemperature.GetMantissa(), -1525);
      EXPECT_EQ(ai.TcType, 6);
    }},
    AIVector{"aiH_v2_1_160_rtd", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.RtdParam.GetMantissa(), 391);
      EXPECT_EQ(ai.RtdR0.GetMantissa(), 10000);
    }},
    AIVector{"aiH_v2_1_160_math", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.ValueSource, (ValueSource{1, 2}));
      EXPECT_EQ(ai.Expression, "a1*1.5");
    }},
    AIVector{"aiH_v2_1_160_flow", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Flow.Medium, 5);
      EXPECT_EQ(ai.Flow.Medium5Data[17], 117);
    }},
    AIVector{"aiH_v2_1_160_rs485_p0", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.Address, 0x5Au);
      EXPECT_EQ(ai.Source.RegisterKind, 2u);
      EXPECT_EQ(ai.Source.ValueType, 7);
      EXPECT_EQ(ai.Source.Register, 0x0ABCu);
      EXPECT_EQ(ai.TransferArg, 77u);
    }},
    AIVector{"aiH_v2_1_160_rs485_p1", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.Protocol, 1);
      EXPECT_EQ(ai.Source.Proto1Param2, 0x34u);
      EXPECT_EQ(ai.Source.Proto1Param3, 5u);
      EXPECT_EQ(ai.Source.Proto1Param4, 6u);
    }},
    AIVector{"aiH_v2_1_160_rs485_p2", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.Proto2Param2, 0xBEEF);
    }},
    AIVector{"aiH_v2_1_160_rs485_p3", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.Proto3Param, 0x42u);
    }},
    AIVector{"aiH_v2_1_160_external", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.ExternalOption, 9);
    }},
    AIVector{"aiH_v2_1_160_can", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.CanParam1, 0x21u);
      EXPECT_EQ(ai.Source.CanParam3, 1u);
    }},
    AIVector{"aiH_v2_1_160_frequency", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.FreqParam1.GetMantissa(), 250);
      EXPECT_EQ(ai.FreqParam2.GetMantissa(), 60000);
    }},
    AIVector{"aiH_v2_1_160_ethernet", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.Source.EthRegister, 502u);
      EXPECT_EQ(ai.Source.EthAddress, 0xC0A8010Au);
    }},
    AIVector{"aiH_v2_1_160_frequency2", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.FreqOption, 4);
      EXPECT_EQ(ai.FreqParam2.GetMantissa(), 12000);
    }},
    AIVector{"aiH_v2_1_160_pulse2", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.PulseOption1, 7);
      EXPECT_EQ(ai.PulseParam.GetMantissa(), 300);
    }},
    AIVector{"aiH_v2_1_160_counter", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.CounterOption, 3);
      EXPECT_EQ(ai.PulseParam.GetMantissa(), 60000);
    }},
    AIVector{"aiH_v2_1_160_filter", V(2, 1, 160), 0, [](const TRegAIConfig& ai) {
      EXPECT_EQ(ai.FilterType, 2);
      EXPECT_EQ(ai.FilterLength, 9999);
      EXPECT_EQ(ai.ScaleLow.GetMantissa(), -12345);
      EXPECT_EQ(ai.ScaleLow.GetPrec(), 3);
      EXPECT_EQ(ai.ScaleDecimals, 3u);
      EXPECT_EQ(ai.InputHigh.ToDouble(), 20.5);
    }}),
    [](const testing::TestParamInfo<AIVector>& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
