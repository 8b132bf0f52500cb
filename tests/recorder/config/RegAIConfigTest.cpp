#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "AITestSupport.h"
#include "platform/Bytes.h"
#include "recorder/info/InfoTestSupport.h"
#include "support/ExpectThrowMsg.h"

namespace {

std::uint32_t BitsOf(float x)
{
  std::uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

TEST(AIModel, DefaultsOfAFreshAndOfAnAttachedChannel)
{
  TRegAIConfig fresh;
  EXPECT_EQ(fresh.RtdR0.GetMantissa(), 10000) << "100.00 without a device";
  EXPECT_EQ(fresh.InputHigh.GetMantissa(), 100);
  EXPECT_EQ(fresh.InputHigh.GetPrec(), 1);
  EXPECT_EQ(fresh.ScaleHigh.GetMantissa(), 1000);
  EXPECT_EQ(fresh.PulseFactor.GetMantissa(), 10);
  EXPECT_EQ(fresh.PulseFactor.GetPrec(), 1);
  EXPECT_EQ(fresh.FreqParam1.GetMantissa(), 1);
  EXPECT_EQ(fresh.PulseOption2, 2);
  EXPECT_EQ(fresh.ScaleDecimals, 1u);
  EXPECT_EQ(fresh.Source.EthAddress, 0xC0A80101u);
  EXPECT_EQ(fresh.Events[0].Kind, 2);
  EXPECT_EQ(fresh.Events[1].Kind, 0);
  EXPECT_EQ(fresh.Events[2].Kind, 1);
  EXPECT_EQ(fresh.Events[3].Kind, 3);
  EXPECT_EQ(fresh.Events[0].Limit1.GetPrec(), 0) << "a new event's limits have no bounds yet";
  EXPECT_EQ(BitsOf(fresh.Flow.FlowCoef3), 0x391D4952u);
  EXPECT_EQ(BitsOf(fresh.Flow.CoefSet2[2]), 0xC059999Au);
  EXPECT_EQ(BitsOf(fresh.Flow.GasParam3), 0x3F31A9FCu);

  AIDevice device(MakeVersion(2, 1, 150));
  device.config.RegInfo.RtdR0List = {50, 100};
  device.AI().SetDefaults();
  EXPECT_EQ(device.AI().RtdR0.GetMantissa(), 50) << "the device's first resistance, in whole ohms";
}

TEST(AIModel, AssignCopiesEverySettingButThePlace)
{
  AIDevice device(MakeVersion(2, 1, 131));
  TRegAIConfig source;
  source.PulseFactor.SetRaw(12345, 3);
  source.TransferTable[115] = 0x77;
  source.Flow.Medium5Data[3] = 9;
  source.Events[2].Limit1.SetLimits(1, 6, -5, 5);
  source.Events[2].Actions[1] = 0x0203;
  source.Name = "copy";
  TRegAIConfig& target = device.AI(1);
  target.Assign(source);
  EXPECT_EQ(target.PulseFactor.GetMantissa(), 12345);
  EXPECT_EQ(target.TransferTable[115], 0x77);
  EXPECT_EQ(target.Flow.Medium5Data[3], 9);
  EXPECT_EQ(target.Events[2].Limit1.GetMax(), 5);
  EXPECT_EQ(target.Events[2].Actions[1], 0x0203);
  EXPECT_EQ(target.Name, "copy");
  EXPECT_EQ(target.Owner, &device.config);
  EXPECT_EQ(target.Index, 1);
}

TEST(AIModel, FilterByte)
{
  const struct {
    const char* name;
    std::uint32_t devFilterParam;
    std::uint8_t type;
    std::uint16_t length;
    std::uint8_t byte;
  } writes[] = {
      {"off", 13, 0, 5, 0},
      {"on with no length", 13, 1, 0, 1},
      {"within the limit", 13, 1, 7, 7},
      {"above the limit", 13, 1, 20, 12},
      {"a later form's type", 13, 3, 7, 0},
      {"a 16-bit length is bounded before it is a byte", 0, 1, 300, 255},
      {"256 is the limit, not 0", 0, 1, 256, 255},
      {"a device without room writes off", 1, 1, 5, 0},
  };
  for (const auto& w : writes) {
    SCOPED_TRACE(w.name);
    AIDevice device(MakeVersion(2, 0, 20));
    device.config.RegInfo.DevFilterParam = w.devFilterParam;
    TRegAIConfig& ai = device.AI();
    ai.FilterType = w.type;
    ai.FilterLength = w.length;
    EXPECT_EQ(ai.FilterByte(), w.byte);
  }

  AIDevice device(MakeVersion(2, 0, 20));
  device.config.RegInfo.DevFilterParam = 13;
  TRegAIConfig& ai = device.AI();
  ai.SetFilterFromByte(20);
  EXPECT_EQ(ai.FilterType, 1);
  EXPECT_EQ(ai.FilterLength, 12);
  ai.SetFilterFromByte(0);
  EXPECT_EQ(ai.FilterType, 0);
  EXPECT_EQ(ai.FilterLength, 0);
}

TEST(AIModel, PackedWords)
{
  TRegAIConfig::Decimal value;
  value.SetRaw(125, 1);
  EXPECT_EQ(TRegAIConfig::PackFloatPrec(value), 0x1000007Du);
  value.SetRaw(7, 0);
  EXPECT_EQ(TRegAIConfig::PackFloatPrec(value), 0x10000046u);
  value.SetRaw(0, 1);
  EXPECT_EQ(TRegAIConfig::PackFloatPrec(value), 0x10000000u);
  TRegAIConfig::PositiveDecimal positive;
  positive.SetRaw(0, 1);
  EXPECT_EQ(TRegAIConfig::PackFloatPrecPositive(positive), 0x60000001u) << "zero becomes the least positive";
}

// --- Flow computation ---------------------------------------------------------------

std::vector<std::uint8_t> FlowArea(const char* vector, std::size_t offset, std::size_t size)
{
  const auto& record = RecordVector("ai_ao", vector);
  return {record.begin() + static_cast<std::ptrdiff_t>(offset), record.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

TEST(AIFlow, TheEightyEightByteForm)
{
  auto area = FlowArea("aiG_v2_2_1_flow", 64, 88);  // medium 4
  TRegAIFlowConfig flow;
  flow.GasParam3 = 0.5f;
  flow.ReadRecord88(area);
  EXPECT_EQ(flow.Medium, 4);
  EXPECT_EQ(flow.GasParam3, 0.5f) << "medium 4's constant is nothing to keep";
  std::vector<std::uint8_t> written(88);
  flow.WriteRecord88(written);
  EXPECT_EQ(ByteReader(written).u32(60), 0x3F9A2B6Bu);

  TRegAIFlowConfig five;
  five.Medium = 5;
  five.Medium5Data.fill(0x1234);
  five.WriteRecord88(written);
  EXPECT_EQ(ByteReader(written).u32(52), 0x3D4CCCCDu) << "no medium-5 data in this form";

  area[0] = 0x01;
  TRegAIFlowConfig untouched;
  untouched.FlowWord1 = 42;
  EXPECT_EQ(CheckOf([&] { untouched.ReadRecord88(area); }), 4687);
  EXPECT_EQ(untouched.FlowWord1, 42u);
}

TEST(AIFlow, TheHundredByteForm)
{
  auto area = FlowArea("aiH_v2_1_160_flow", 64, 100);  // medium 5
  TRegAIFlowConfig flow;
  flow.ReadRecord100(area);
  EXPECT_EQ(flow.Medium5Data[0], 100);
  area[0] = 0;
  TRegAIFlowConfig zeroFlag;
  zeroFlag.ReadRecord100(area);
  EXPECT_EQ(zeroFlag.Medium5Data[0], 100) << "flag 0 reads like flag 1";
  area[0] = 2;
  TRegAIFlowConfig untouched;
  untouched.Medium = 3;
  EXPECT_EQ(CheckOf([&] { untouched.ReadRecord100(area); }), 4581);
  EXPECT_EQ(untouched.Medium, 3);
  std::vector<std::uint8_t> written(100, 0xEE);
  flow.WriteRecord100(written);
  EXPECT_EQ(written[0], 1);
}

// --- Events ----------------------------------------------------------------------------

TEST(AIEvents, DefaultsAfterARead)
{
  AIDevice device(MakeVersion(2, 1, 159));
  TRegAIConfig& ai = device.AI();
  ai.ReadRecord(RecordVector("ai_ao", "aiH_v2_1_160_tc"));
  ai.Events[1].SetDefaults();
  EXPECT_EQ(ai.Events[1].Limit1.GetMantissa(), 0);
  EXPECT_EQ(ai.Events[1].Limit1.GetPrec(), 1);
  EXPECT_EQ(ai.Events[1].Limit2.GetPrec(), 0) << "the second range's least decimals from 2.1.159";
  EXPECT_EQ(ai.Events[1].Limit2.GetMax(), 65535);
}

TEST(AIEvents, FourteenByteLimitsKeepTheDevicesBytes)
{
  // Read back by the decimal with the fewest digits behind the three bytes, a limit
  // written again reproduces them, however often.
  const struct {
    int mantissa, decimals;
    const char* bytes;
  } limits[] = {{125, 1, "00 48 41"}, {1, 1, "CC CC 3D"}, {-325, 2, "00 50 C0"}, {1000, 1, "00 C8 42"},
                {254, 1, "33 CB 41"}, {3, 1, "99 99 3E"}, {1234, 2, "70 45 41"}, {-27315, 2, "93 88 C3"}};
  for (const auto& l : limits) {
    SCOPED_TRACE(l.bytes);
    AIDevice device(MakeVersion(2, 1, 20));
    TRegAIConfig& ai = device.AI();
    ai.Events[0].Limit1.SetRaw(l.mantissa, l.decimals);
    for (int round = 0; round < 3; ++round) {
      const auto record = Written(ai, MakeVersion(2, 1, 20));
      EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 192, record.begin() + 195), Hex(l.bytes));
      ai.ReadRecord(record);
      EXPECT_EQ(ai.Events[0].Limit1.GetMantissa(), l.mantissa);
      EXPECT_EQ(ai.Events[0].Limit1.GetPrec(), l.decimals);
    }
  }
}

TEST(AIEvents, SixteenByteLimits)
{
  AIDevice device(MakeVersion(2, 1, 159));
  TRegAIConfig& ai = device.AI();
  ai.ReadRecord(RecordVector("ai_ao", "aiH_v2_1_160_tc"));
  ai.Events[0].Limit1.SetRaw(-55, 1);
  ai.Events[0].Limit2.SetRaw(70000, 0);
  const auto record = Written(ai, MakeVersion(2, 1, 159));
  EXPECT_EQ(ByteReader(record).u32(184) & 0x3FFFFFFFu, 0x03FFFFC9u);
  EXPECT_EQ(ByteReader(record).u16(188), 65535) << "brought within the second range";
}

TEST(AIEvents, ErasedLimitFailsTheRead)
{
  AIDevice device(MakeVersion(2, 1, 20));
  auto record = RecordVector("ai_ao", "aiG_v2_1_20_tc");
  record[192] = record[193] = record[194] = 0xFF;
  EXPECT_THROW_MSG(device.AI().ReadRecord(record), fixed::EInvalidArgument, "NaN");
}

}  // namespace
