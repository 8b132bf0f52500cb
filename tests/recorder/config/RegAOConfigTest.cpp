#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "platform/Bytes.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"

// Records come from vectors/ai_ao.py (ai_ao.txt); the fields expected of them are the
// values that script encoded.

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t length)
{
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                     bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

struct AOVector {
  const char* name;
  std::uint32_t version;
  int channel;  // 0 base output, 2 extension output
  void (*expect)(const TRegAOConfig&);
};

class AORecordVector : public testing::TestWithParam<AOVector> {};

TEST_P(AORecordVector, DecodesTheFieldsAndWritesTheSameBytes)
{
  const AOVector& v = GetParam();
  const auto& record = RecordVector("ai_ao", v.name);
  AODevice device(v.version);
  TRegAOConfig& ao = device.config.AO[static_cast<std::size_t>(v.channel)];
  ao.ReadRecord(v.version, record);
  v.expect(ao);

  std::vector<std::uint8_t> written{0xEE};  // appended after what is there
  EXPECT_EQ(ao.WriteRecord(v.version, written), record.size());
  EXPECT_EQ(std::vector<std::uint8_t>(written.begin() + 1, written.end()), record);
}

const std::array<std::uint8_t, 8> kNoEvent{};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Vectors, AORecordVector, testing::Values(
    AOVector{"ao160_v2_0_20", MakeVersion(2, 0, 20), 0, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Name, "Задвижка 1");
      EXPECT_EQ(ao.ControlTypeIndex, 1u);
      EXPECT_EQ(ao.Option1, 3);
      EXPECT_EQ(ao.Option2, 1);
      EXPECT_EQ(ao.Option3, 0);
      EXPECT_EQ(ao.OutputValue.GetMantissa(), 25);
      EXPECT_EQ(ao.OutputValue.GetPrec(), 1);
      EXPECT_EQ(ao.Expression, "a1*2+a3");
      EXPECT_EQ(ao.Event, (std::array<std::uint8_t, 8>{0x05, 0x11, 0x22, 0, 0x04, 0x03, 0x01, 0x00}));
    }},
    AOVector{"ao160_v2_1_100", MakeVersion(2, 1, 100), 0, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Name, "АЕ2");
      EXPECT_EQ(ao.ControlTypeIndex, 2u);
      EXPECT_EQ(ao.OutputValue.GetMantissa(), -1234);
      EXPECT_EQ(ao.OutputValue.GetPrec(), 2);
      EXPECT_EQ(ao.Event, (std::array<std::uint8_t, 8>{0x63, 0, 0, 0, 0x09, 0x05, 0, 0}));
    }},
    AOVector{"ao248_v2_1_120_rs485_p0", MakeVersion(2, 1, 120), 0, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Name, "Насос");
      EXPECT_EQ(ao.ControlTypeIndex, 3u);
      EXPECT_EQ(ao.Option3, 1);
      EXPECT_EQ(ao.OutputValue.GetMantissa(), 10);
      EXPECT_EQ(ao.OutputValue.GetPrec(), 1);
      EXPECT_EQ(ao.Source.Address, 0x0A0B0C0Du);
      EXPECT_EQ(ao.Source.Port, 1u);
      EXPECT_EQ(ao.Source.Protocol, 0);
      EXPECT_EQ(ao.Source.RegisterKind, 3u);
      EXPECT_EQ(ao.Source.ValueType, 6);
      EXPECT_EQ(ao.Source.Register, 0x1234u);
      EXPECT_EQ(ao.OutputFlag, 1);
      // A base output: the device's own range.
      EXPECT_EQ(ao.OutputHigh.GetMantissa(), 23000);
      EXPECT_EQ(ao.OutputHigh.GetPrec(), 3);
      EXPECT_EQ(ao.Units, "мА");
      EXPECT_EQ(ao.OutputDecimals.GetMantissa(), 3);
    }},
    AOVector{"ao248_v2_1_120_rs485_p1", MakeVersion(2, 1, 120), 0, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Source.Protocol, 1);
      EXPECT_EQ(ao.Source.Port, 1u);
      EXPECT_EQ(ao.Source.Proto1Param1, 0x12u);
      EXPECT_EQ(ao.Source.Proto1Param2, 0x34u);
      EXPECT_EQ(ao.Source.Proto1Param3, 0x5u);
      EXPECT_EQ(ao.Source.Proto1Param4, 0x6u);
    }},
    AOVector{"ao248_v2_1_120_rs485_p2", MakeVersion(2, 1, 120), 0, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Source.Protocol, 2);
      EXPECT_EQ(ao.Source.Proto2Param1, 0x77u);
      EXPECT_EQ(ao.Source.Proto2Param2, 0xBEEF);
    }},
    AOVector{"ao248_v2_1_120_rs485_p3", MakeVersion(2, 1, 120), 0, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Source.Protocol, 3);
      EXPECT_EQ(ao.Source.Proto3Param, 0x42u);
    }},
    AOVector{"ao248_v2_1_120_ethernet", MakeVersion(2, 1, 120), 2, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Source.EthAddress, 0xC0A8010Au);
      EXPECT_EQ(ao.Source.EthOption, 2);
      EXPECT_EQ(ao.Source.EthRegisterKind, 1u);
      EXPECT_EQ(ao.Source.EthValueType, 4);
      EXPECT_EQ(ao.Source.EthRegister, 300u);
      EXPECT_EQ(ao.OutputValue.GetMantissa(), 5);
      EXPECT_EQ(ao.OutputLow.ToDouble(), 0.4);
      EXPECT_EQ(ao.OutputHigh.ToDouble(), 20.5);
      EXPECT_EQ(ao.Units, "мА");
      EXPECT_EQ(ao.OutputDecimals.GetMantissa(), 2);
      EXPECT_EQ(ao.ExtKind, 1);
      EXPECT_EQ(ao.ExtByte1, 9);
      EXPECT_EQ(ao.ExtWord1, 0x0102);
      EXPECT_EQ(ao.Ext12Byte1, 3);
      EXPECT_EQ(ao.Ext12Byte2, 4);
      EXPECT_EQ(ao.Ext12Word, 0x0506);
      EXPECT_EQ(ao.Ext12Byte3, 7);
    }},
    AOVector{"ao248_v2_1_120_can", MakeVersion(2, 1, 120), 2, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Source.CanParam1, 0x21u);
      EXPECT_EQ(ao.Source.CanParam2, 0x22u);
      EXPECT_EQ(ao.Source.CanParam3, 1u);
      EXPECT_EQ(ao.Source.CanParam4, 0x2324u);
      EXPECT_EQ(ao.Units, "В");
      EXPECT_EQ(ao.ExtKind, 3);
      EXPECT_EQ(ao.Ext3Byte1, 0x11);
      EXPECT_EQ(ao.Ext3Byte2, 0x22);
      EXPECT_EQ(ao.Ext3Word, 0x3344);
      EXPECT_EQ(ao.Ext3Dword, 0x12345678u);
    }},
    AOVector{"ao248_v2_1_120_regulator", MakeVersion(2, 1, 120), 2, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.CtlParam1, 5u);
      EXPECT_EQ(ao.CtlParam2, 6);
      EXPECT_EQ(ao.CtlLow.GetMantissa(), -500);
      EXPECT_EQ(ao.CtlHigh.GetMantissa(), 750);
      EXPECT_EQ(ao.CtlScaleLow.GetMantissa(), -125);
      EXPECT_EQ(ao.CtlScaleLow.GetPrec(), 1);
      EXPECT_EQ(ao.CtlScaleHigh.GetMantissa(), 1505);
      EXPECT_EQ(ao.CtlScaleHigh.GetPrec(), 2);
      EXPECT_EQ(ao.OutputLow.ToDouble(), -1.0);
      EXPECT_EQ(ao.OutputDecimals.GetMantissa(), 4);
      EXPECT_EQ(ao.ExtKind, 4);
      EXPECT_EQ(ao.Ext4Byte1, 1);
      EXPECT_EQ(ao.Ext4Byte2, 2);
      EXPECT_EQ(ao.Ext4Byte3, 3);
    }},
    AOVector{"ao248_v2_1_160_packed", MakeVersion(2, 1, 160), 2, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Name, "Выход");
      EXPECT_EQ(ao.OutputValue.GetMantissa(), -123456);
      EXPECT_EQ(ao.OutputValue.GetPrec(), 3);
      EXPECT_EQ(ao.Expression, "(a1+a2)/2");
      EXPECT_EQ(ao.OutputHigh.ToDouble(), 2.5);
      EXPECT_EQ(ao.ExtKind, 2);
      EXPECT_EQ(ao.Ext12Word, 0x0506);
    }},
    AOVector{"ao160_v2_2_1", MakeVersion(2, 2, 1), 0, [](const TRegAOConfig& ao) {
      EXPECT_EQ(ao.Name, "Ветка");
      EXPECT_EQ(ao.OutputValue.GetMantissa(), 7);
      EXPECT_EQ(ao.Event, (std::array<std::uint8_t, 8>{0x01, 0, 0, 0, 0x01, 0x00, 0x08, 0x02}));
    }}),
    [](const testing::TestParamInfo<AOVector>& info) { return std::string(info.param.name); });
// clang-format on

TEST(AORecord, RecordSizeByFirmware)
{
  const struct {
    std::uint32_t version;
    std::uint32_t size;
  } cases[] = {
      {MakeVersion(1, 5, 9), 0},       {MakeVersion(1, 6, 0), 160},     {MakeVersion(2, 1, 109, 255), 160},
      {MakeVersion(2, 1, 110), 248},   {MakeVersion(2, 2, 2), 160},     {MakeVersion(2, 1, 200), 248},
      {MakeVersion(1, 4, 0), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version));
    EXPECT_EQ(TRegAOConfig::RecordSize(c.version), c.size);
  }
}

TEST(AORecord, RefusalsAndChecks)
{
  const auto& v160 = RecordVector("ai_ao", "ao160_v2_0_20");
  const auto& v248 = RecordVector("ai_ao", "ao248_v2_1_120_ethernet");
  auto with = [](std::vector<std::uint8_t> record, std::size_t offset, std::uint8_t value) {
    record[offset] = value;
    return record;
  };
  const struct {
    const char* name;
    std::uint32_t version;
    std::vector<std::uint8_t> record;
    int channel;
    long check;
  } cases[] = {
      {"160 bytes short by one", MakeVersion(2, 0, 20), std::vector<std::uint8_t>(v160.begin(), v160.end() - 1), 0, 4913},
      {"248 bytes short by one", MakeVersion(2, 1, 120), std::vector<std::uint8_t>(v248.begin(), v248.end() - 1), 2, 4969},
      {"160: position beyond the offered types", MakeVersion(2, 0, 20), with(v160, 24, 7), 0, 4919},
      {"248: position beyond the offered types", MakeVersion(2, 1, 120), with(v248, 24, 7), 2, 4975},
      {"protocol 4", MakeVersion(2, 1, 120), with(with(v248, 24, 3), 164, 0x41), 2, 5022},
      {"extension kind 5", MakeVersion(2, 1, 120), with(v248, 200, 5), 2, 5103},
      {"a longer record is read", MakeVersion(2, 1, 120), [&] {
         auto r = v248;
         r.push_back(0xAB);
         return r;
       }(), 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AODevice device(c.version);
    EXPECT_EQ(CheckOf([&] { device.config.AO[static_cast<std::size_t>(c.channel)].ReadRecord(c.version, c.record); }),
              c.check);
  }
}

TEST(AORecord, VersionsOutsideTheFormsAreRefused)
{
  AODevice device(MakeVersion(2, 1, 161));
  const auto& record = RecordVector("ai_ao", "ao248_v2_1_120_ethernet");
  TRegAOConfig& ao = device.Extension();
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { ao.ReadRecord(MakeVersion(1, 4, 9), record); }),
            MakeVersion(1, 4, 9));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { ao.ReadRecord(MakeVersion(2, 1, 161), record); }),
            MakeVersion(2, 1, 161));
  std::vector<std::uint8_t> out;
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { ao.WriteRecord(MakeVersion(2, 2, 4), out); }),
            MakeVersion(2, 2, 4));
  // 1.5 reads a 160-byte record but has none to write.
  EXPECT_NO_THROW(device.Base().ReadRecord(MakeVersion(1, 5, 3), RecordVector("ai_ao", "ao160_v2_0_20")));
  EXPECT_EQ(device.Base().WriteRecord(MakeVersion(1, 5, 3), out), 0u);
  EXPECT_TRUE(out.empty());
}

TEST(AORecord, Option3ComparesAsASignedByte)
{
  const struct {
    std::uint8_t byte;
    std::uint8_t option3;
  } cases[] = {{0x01, 1}, {0x02, 0}, {0x90, 0x90}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.byte);
    AODevice device(MakeVersion(2, 1, 120));
    auto record = RecordVector("ai_ao", "ao248_v2_1_120_ethernet");
    record[27] = c.byte;
    device.Extension().ReadRecord(MakeVersion(2, 1, 120), record);
    EXPECT_EQ(device.Extension().Option3, c.option3);
  }
}

TEST(AORecord, BaseOutputTakesItsRangeFromTheDevice)
{
  AODevice device(MakeVersion(2, 1, 120));
  device.config.RegInfo.GenValue2 = 20.0f;
  auto record = RecordVector("ai_ao", "ao248_v2_1_120_rs485_p0");
  for (std::size_t i = 184; i < 200; ++i) record[i] = 0x5A;  // whatever the record holds
  TRegAOConfig& ao = device.Base();
  ao.ReadRecord(MakeVersion(2, 1, 120), record);
  EXPECT_EQ(ao.OutputLow.GetMantissa(), 0);
  EXPECT_EQ(ao.OutputHigh.GetMantissa(), 20000);
  EXPECT_EQ(ao.OutputHigh.GetPrec(), 3);
  EXPECT_EQ(ao.Units, "мА");

  std::vector<std::uint8_t> out;
  ao.WriteRecord(MakeVersion(2, 1, 120), out);
  ByteReader written(out);
  EXPECT_EQ(written.u32(184), 0x30000000u);
  EXPECT_EQ(written.u32(188), 0x30004E20u);  // 20000 with 3 decimals
  EXPECT_EQ(Text(out, 192, 3), std::string("\xEC\xC0\0", 3));
  EXPECT_EQ(written.u8(169), 3);
}

TEST(AORecord, PositionNamesTheCodeInTheDevicesList)
{
  // Without Ethernet, position 4 is CAN.
  AODevice device(MakeVersion(2, 1, 120), {0, 1, 2, 3, 5, 6});
  auto record = RecordVector("ai_ao", "ao248_v2_1_120_can");
  record[24] = 4;
  device.Extension().ReadRecord(MakeVersion(2, 1, 120), record);
  EXPECT_EQ(device.Extension().Source.CanParam4, 0x2324u);
}

TEST(AORecord, WritingAnExtensionKindAbove4IsRefused)
{
  AODevice device(MakeVersion(2, 1, 120));
  device.Extension().ExtKind = 5;
  std::vector<std::uint8_t> out;
  EXPECT_EQ(CheckOf([&] { device.Extension().WriteRecord(MakeVersion(2, 1, 120), out); }), 5320);
  // A base output carries no extension settings, so the same value is no error there.
  device.Base().ExtKind = 5;
  EXPECT_EQ(CheckOf([&] { device.Base().WriteRecord(MakeVersion(2, 1, 120), out); }), 0);
}

TEST(AORecord, ProtocolAbove3WritesOnlyTheAddressAndPortByte)
{
  AODevice device(MakeVersion(2, 1, 120));
  TRegAOConfig& ao = device.Base();
  ao.ControlTypeIndex = 3;
  ao.Source.Address = 0x01020304;
  ao.Source.Port = 2;
  ao.Source.Protocol = 5;
  ao.Source.Register = 0xFFFF;
  std::vector<std::uint8_t> out;
  ao.WriteRecord(MakeVersion(2, 1, 120), out);
  EXPECT_EQ(Text(out, 160, 8), std::string("\x04\x03\x02\x01\x52\0\0\0", 8));
}

TEST(AORecord, OlderTargetWritesTheShortFormWithoutTheSource)
{
  AODevice device(MakeVersion(2, 1, 120));
  TRegAOConfig& ao = device.Base();
  ao.ReadRecord(MakeVersion(2, 1, 120), RecordVector("ai_ao", "ao248_v2_1_120_rs485_p2"));
  std::vector<std::uint8_t> out;
  ASSERT_EQ(ao.WriteRecord(MakeVersion(2, 1, 100), out), 160u);
  EXPECT_EQ(Text(out, 0, 3), std::string("P2\0", 3));
  EXPECT_EQ(out[24], 3);
  EXPECT_EQ(Text(out, 152, 8), std::string(8, '\0'));
}

TEST(AORecord, EventCodesAreConvertedOnlyAbove2_1_80_0)
{
  const struct {
    std::uint32_t target;
    const char* event;  // bytes 152-159 written
  } cases[] = {
      {MakeVersion(2, 1, 80, 0), "03 00 00 00 01 05 08 03"},
      {MakeVersion(2, 1, 80, 1), "63 00 00 00 00 00 09 03"},  // class 1 -> field A 2; class 8 -> 9 with B 1
      {MakeVersion(2, 2, 1), "03 00 00 00 01 05 08 03"},      // the branch keeps the codes
      {MakeVersion(2, 1, 120), "63 00 00 00 00 00 09 03"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.target));
    AODevice device(c.target);
    TRegAOConfig& ao = device.Base();
    ao.Event = {0x03, 0, 0, 0, 0x01, 0x05, 0x08, 0x03};
    std::vector<std::uint8_t> out;
    ao.WriteRecord(c.target, out);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 152, out.begin() + 160), Hex(c.event));
    EXPECT_EQ(ao.Event[4], 0x01) << "the model keeps the code it holds";
  }
}

TEST(AORecord, DefaultsAndAssign)
{
  AODevice device(MakeVersion(2, 1, 120));
  TRegAOConfig fresh;
  EXPECT_EQ(fresh.Option1, 2);
  EXPECT_EQ(fresh.CtlLow.GetMantissa(), -1000);
  EXPECT_EQ(fresh.CtlScaleHigh.GetMantissa(), 200);
  EXPECT_EQ(fresh.CtlScaleHigh.GetPrec(), 1);
  EXPECT_EQ(fresh.OutputHigh.GetMantissa(), 10);
  EXPECT_EQ(fresh.Source.EthAddress, 0xC0A80101u);

  TRegAOConfig& target = device.config.AO[1];
  device.Extension().ReadRecord(MakeVersion(2, 1, 120), RecordVector("ai_ao", "ao248_v2_1_120_can"));
  target.Assign(device.Extension());
  EXPECT_EQ(target.Ext3Dword, 0x12345678u);
  EXPECT_EQ(target.Units, "В");
  EXPECT_EQ(target.Index, 1) << "Assign keeps the item's place";
  EXPECT_EQ(target.Owner, &device.config);
}

TEST(AORecord, UnattachedItemRefusesToRead)
{
  TRegAOConfig ao;
  EXPECT_THROW(ao.ReadRecord(MakeVersion(2, 1, 120), RecordVector("ai_ao", "ao248_v2_1_120_can")), Exception);
}

}  // namespace
