#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AITestSupport.h"
#include "platform/Bytes.h"
#include "recorder/info/InfoTestSupport.h"
#include "support/ExpectThrowMsg.h"

// The refusals of the analog input record, with their check numbers, and the edges of
// its rules. Records are the vectors of vectors/ai_ao.py, changed where a row says.

namespace {

std::vector<std::uint8_t> With(std::vector<std::uint8_t> record, std::size_t offset, std::uint8_t value)
{
  record[offset] = value;
  return record;
}

std::vector<std::uint8_t> Resized(const std::vector<std::uint8_t>& record, std::size_t size)
{
  std::vector<std::uint8_t> r(record);
  r.resize(size, 0);
  return r;
}

const std::vector<std::uint8_t>& Vec(const char* name) { return RecordVector("ai_ao", name); }

TEST(AIRecord, RecordSizeByFirmware)
{
  const struct {
    std::uint32_t version;
    std::uint32_t size;
  } cases[] = {
      {MakeVersion(1, 5, 255, 255), 187}, {MakeVersion(1, 6, 0), 246},   {MakeVersion(1, 8, 3), 244},
      {MakeVersion(1, 9, 0), 246},        {MakeVersion(1, 10, 0), 248},  {MakeVersion(2, 2, 1), 248},
      {MakeVersion(2, 1, 200), 248},      {MakeVersion(2, 1, 160), 248},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version));
    EXPECT_EQ(TRegAIConfig::RecordSize(c.version), c.size);
  }
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([] { TRegAIConfig::RecordSize(MakeVersion(1, 2, 9)); }),
            MakeVersion(1, 2, 9));
}

struct CheckCase {
  const char* name;
  std::uint32_t version;
  std::vector<std::uint8_t> record;
  long check;  // 0: read without an error
  std::size_t channel = 0;
  std::uint32_t genVersion = 0;
};

void RunChecks(const std::vector<CheckCase>& cases)
{
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AIDevice device(c.version, c.genVersion);
    EXPECT_EQ(CheckOf([&] { device.AI(c.channel).ReadRecord(c.record); }), c.check);
  }
}

TEST(AIRecord, LengthsByForm)
{
  RunChecks({
      {"A short", MakeVersion(1, 4, 2), Resized(Vec("aiA_v1_4_2"), 186), 720},
      {"B short", MakeVersion(1, 7, 0), Resized(Vec("aiB_v1_7_0_rtd"), 245), 840},
      {"C short", MakeVersion(1, 8, 1), Resized(Vec("aiC_v1_8_1_rtd"), 243), 1008},
      {"D short", MakeVersion(1, 10, 5), Resized(Vec("aiD_v1_10_5_tc"), 247), 1157},
      {"D of 250 bytes", MakeVersion(1, 10, 5), Resized(Vec("aiD_v1_10_5_tc"), 250), 0},
      {"F short", MakeVersion(2, 0, 20), Resized(Vec("aiF_v2_0_20_tc"), 247), 1327},
      {"F of 250 bytes", MakeVersion(2, 0, 20), Resized(Vec("aiF_v2_0_20_tc"), 250), 0},
      {"G of 249 bytes", MakeVersion(2, 1, 20), Resized(Vec("aiG_v2_1_20_tc"), 249), 1534},
      {"G of 247 bytes", MakeVersion(2, 1, 20), Resized(Vec("aiG_v2_1_20_tc"), 247), 1534},
      {"H of 249 bytes", MakeVersion(2, 1, 160), Resized(Vec("aiH_v2_1_160_tc"), 249), 1882},
  });
}

TEST(AIRecord, VersionsOutsideTheFormsAreRefused)
{
  const struct {
    std::uint32_t version;
    std::uint32_t newest;
  } cases[] = {{MakeVersion(1, 10, 21), kFirstLineUpTo}, {MakeVersion(2, 1, 161), kSecondLineUpTo},
               {MakeVersion(2, 2, 4), kSecondLineUpTo}};
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version));
    AIDevice device(c.version);
    EXPECT_THROW_MSG(device.AI().ReadRecord(Vec("aiH_v2_1_160_tc")), EVantorUnsupportedNewVer,
                     EVantorUnsupportedNewVer(c.version, c.newest).Message());
    std::vector<std::uint8_t> out;
    EXPECT_THROW_MSG(device.AI().WriteRecord(c.version, out), EVantorUnsupportedNewVer,
                     EVantorUnsupportedNewVer(c.version, c.newest).Message());
  }
  AIDevice old(MakeVersion(1, 2, 0));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { old.AI().ReadRecord(Vec("aiA_v1_4_2")); }),
            MakeVersion(1, 2, 0));
}

TEST(AIRecord, SignalPositionFallsBackToTheNoSignalPosition)
{
  // Channel 1 offers three signals; code 0 is its second.
  AIDevice device(MakeVersion(1, 7, 0));
  device.AI(1).ReadRecord(With(Vec("aiB_v1_7_0_expr120"), 32, 200));
  EXPECT_EQ(device.AI(1).SignalIndex, 1);

  // Without a code-0 entry the fallback is position 0.
  AIDevice without(MakeVersion(1, 7, 0));
  without.config.RegInfo.AISignalSupport[18].SignalCode = 17;
  without.AI(1).ReadRecord(With(Vec("aiB_v1_7_0_expr120"), 32, 200));
  EXPECT_EQ(without.AI(1).SignalIndex, 0);

  // Form G takes the low 7 bits; bit 7 is the flag.
  AIDevice g(MakeVersion(2, 1, 131));
  auto record = With(Vec("aiG_v2_1_131_can"), 32, 0x83);
  g.AI().ReadRecord(record);
  EXPECT_EQ(g.AI().SignalIndex, 3);
  EXPECT_EQ(g.AI().SignalFlag, 1);
  EXPECT_EQ(Written(g.AI(), MakeVersion(2, 1, 131))[32], 0x83);
}

// The message of an EVantorInvalid the read raises, "" when it raises none.
std::string ReadMessage(std::uint32_t version, const std::vector<std::uint8_t>& record)
{
  AIDevice device(version);
  try {
    device.AI().ReadRecord(record);
  } catch (const EVantorInvalid& e) {
    return e.Message();
  }
  return "";
}

TEST(AIRecord, TransferFunctionChecks)
{
  const char* const k5 = "Конфигурация АВ1: некорректная передаточная функция (5)";
  const char* const k7 = "Конфигурация АВ1: некорректная передаточная функция (7)";
  const struct {
    const char* name;
    std::uint32_t version;
    std::vector<std::uint8_t> record;
    const char* message;
  } cases[] = {
      {"A above 3", MakeVersion(1, 4, 2), With(Vec("aiA_v1_4_2"), 116, 4),
       "Конфигурация АВ1: некорректная передаточная функция (4)"},
      {"B byte 5", MakeVersion(1, 7, 0), With(Vec("aiB_v1_7_0_rtd"), 174, 5), k5},
      {"B byte 0xF0 passes as a signed byte", MakeVersion(1, 7, 0), With(Vec("aiB_v1_7_0_rtd"), 174, 0xF0), ""},
      {"F above 4", MakeVersion(2, 0, 20), With(Vec("aiF_v2_0_20_tc"), 46, 5), k5},
      {"G nibble 7", MakeVersion(2, 1, 20), With(Vec("aiG_v2_1_20_tc"), 46, 0x07), k7},
      {"G nibble 6 with a high nibble", MakeVersion(2, 1, 20), With(Vec("aiG_v2_1_20_tc"), 46, 0xF6), ""},
      {"H byte 7", MakeVersion(2, 1, 160), With(Vec("aiH_v2_1_160_tc"), 27, 7), k7},
      {"H byte 0x85 passes as a signed byte", MakeVersion(2, 1, 160), With(Vec("aiH_v2_1_160_tc"), 27, 0x85), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadMessage(c.version, c.record), c.message);
  }
  AIDevice stored(MakeVersion(2, 1, 160));
  stored.AI().ReadRecord(With(Vec("aiH_v2_1_160_tc"), 27, 0x85));
  EXPECT_EQ(stored.AI().TransferFunction, 0x85);
}

TEST(AIRecord, ProtocolChecks)
{
  // 2.1.40, signal 10, byte 46 = 0x42: transfer function 2, protocol 4.
  AIDevice device(MakeVersion(2, 1, 40));
  EXPECT_THROW_MSG(device.AI().ReadRecord(With(Vec("aiG_v2_1_40_rs485_p2"), 46, 0x42)), EVantorInvalid,
                   "Конфигурация АВ1: некорректный протокол (4)");
  EXPECT_EQ(ReadMessage(MakeVersion(2, 1, 160), With(Vec("aiH_v2_1_160_rs485_p0"), 48, 4)),
            "Конфигурация АВ1: некорректный протокол (4)");

  // Writing a protocol the record cannot hold names the device's firmware.
  AIDevice writer(MakeVersion(2, 1, 40));
  writer.AI().ReadRecord(Vec("aiG_v2_1_40_rs485_p2"));
  writer.AI().Source.Protocol = 4;
  std::vector<std::uint8_t> out;
  EXPECT_THROW_MSG(writer.AI().WriteRecord(MakeVersion(2, 1, 40), out), EVantorVersion,
                   EVantorVersion(MakeVersion(2, 1, 40)).Message());
}

TEST(AIRecord, OldExternalSignalNeedsTheRs485Signal)
{
  AIDevice noSupport(MakeVersion(2, 0, 20));
  noSupport.config.RegInfo.AISignalSupport[9].SignalCode = 3;  // no code 10 left
  EXPECT_EQ(CheckOf([&] { noSupport.AI().ReadRecord(Vec("aiF_v2_0_20_old_external")); }), 1431);

  AIDevice notInChannel(MakeVersion(2, 0, 20));
  notInChannel.config.RegInfo.AIChannels[0].Signals[PositionOf(10)] = 0;  // the position now names code 1
  EXPECT_EQ(CheckOf([&] { notInChannel.AI().ReadRecord(Vec("aiF_v2_0_20_old_external")); }), 1434);

  AIDevice g(MakeVersion(2, 1, 20));
  g.config.RegInfo.AISignalSupport[9].SignalCode = 3;
  EXPECT_EQ(CheckOf([&] { g.AI().ReadRecord(Vec("aiG_v2_1_20_old_external")); }), 1683);
  AIDevice gChannel(MakeVersion(2, 1, 20));
  gChannel.config.RegInfo.AIChannels[0].Signals[PositionOf(10)] = 0;
  EXPECT_EQ(CheckOf([&] { gChannel.AI().ReadRecord(Vec("aiG_v2_1_20_old_external")); }), 1686);
}

TEST(AIRecord, WritingAProtocolOneSourceForOldFirmwareNeedsSignal11)
{
  const struct {
    const char* name;
    std::uint32_t device;
    std::uint32_t target;
    const char* vector;
    long check;
  } cases[] = {
      {"F", MakeVersion(2, 0, 20), MakeVersion(2, 0, 20), "aiF_v2_0_20_old_external", 2762},
      {"G", MakeVersion(2, 1, 20), MakeVersion(2, 1, 20), "aiG_v2_1_20_old_external", 2940},
      {"H for a device below 2.1.30", MakeVersion(2, 1, 20), MakeVersion(2, 1, 160), "aiG_v2_1_20_old_external", 3247},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AIDevice device(c.device);
    device.AI().ReadRecord(Vec(c.vector));
    device.config.RegInfo.AISignalSupport[10].SignalCode = 3;  // no code 11 left
    std::vector<std::uint8_t> out;
    EXPECT_EQ(CheckOf([&] { device.AI().WriteRecord(c.target, out); }), c.check);
  }
  AIDevice channel(MakeVersion(2, 1, 20));
  channel.AI().ReadRecord(Vec("aiG_v2_1_20_old_external"));
  channel.config.RegInfo.AIChannels[0].Signals[PositionOf(11)] = 0;
  std::vector<std::uint8_t> out;
  EXPECT_EQ(CheckOf([&] { channel.AI().WriteRecord(MakeVersion(2, 1, 20), out); }), 2943);
}

TEST(AIRecord, NominalResistanceByForm)
{
  // Form C reads byte 53 through the list for every signal.
  AIDevice emptyList(MakeVersion(1, 8, 1));
  emptyList.config.RegInfo.RtdR0List.clear();
  EXPECT_EQ(CheckOf([&] { emptyList.AI().ReadRecord(Vec("aiC_v1_8_1_rs485")); }), 7344);
  RunChecks({
      {"C position beyond the list", MakeVersion(1, 8, 1), With(Vec("aiC_v1_8_1_rs485"), 53, 7), 7360},
      // 1.9 with a 1.6 general part: the value is checked against the list.
      {"B value not in the list", MakeVersion(1, 9, 0), Vec("aiB_v1_9_0_rtd_value"), 899, 0, MakeVersion(1, 6, 0)},
      {"D value not in the list", MakeVersion(1, 10, 5), Vec("aiD_v1_10_5_rtd"), 1212, 0, MakeVersion(1, 6, 0)},
      {"D value in the list", MakeVersion(1, 10, 5), With(With(Vec("aiD_v1_10_5_rtd"), 54, 100), 55, 0), 0, 0,
       MakeVersion(1, 6, 0)},
  });

  // The same bytes with signal 6 read a float at 52.
  AIDevice tc(MakeVersion(1, 10, 5), MakeVersion(1, 6, 0));
  auto record = Vec("aiD_v1_10_5_rtd");
  record[40] = PositionOf(6);
  ByteWriter(record).f32(52, 12.5f);
  tc.AI().ReadRecord(record);
  EXPECT_EQ(tc.AI().CjcTemperature.GetMantissa(), 1250);

  // Form H of a device whose general part is older takes the value, not the parameter.
  AIDevice h(MakeVersion(2, 1, 160), MakeVersion(2, 1, 40));
  h.AI().ReadRecord(Vec("aiH_v2_1_160_rtd"));
  EXPECT_EQ(h.AI().RtdR0.GetMantissa(), 10000);
  EXPECT_EQ(h.AI().RtdParam.GetMantissa(), 0);

  // Form A writes the list position whatever the signal.
  AIDevice a(MakeVersion(1, 4, 2));
  a.AI().ReadRecord(Vec("aiA_v1_4_2"));
  a.AI().RtdR0.SetMantissa(77);
  std::vector<std::uint8_t> out;
  EXPECT_EQ(CheckOf([&] { a.AI().WriteRecord(MakeVersion(1, 4, 2), out); }), 7382);
}

TEST(AIRecord, ByteAreaByVersionAndTransferFunction)
{
  // Transfer argument from 2.1.131 on.
  AIDevice v130(MakeVersion(2, 1, 130));
  v130.AI().TransferArg = 5;
  v130.AI().ReadRecord(Vec("aiG_v2_1_131_argument"));
  EXPECT_EQ(v130.AI().TransferArg, 5u);

  // The 100-byte flow form from 2.1.156.0; the branch keeps the 88-byte one.
  AIDevice v156(MakeVersion(2, 1, 156));
  EXPECT_EQ(CheckOf([&] { v156.AI().ReadRecord(Vec("aiG_v2_1_157_flow")); }), 0);
  EXPECT_EQ(v156.AI().Flow.GasSpare[2], 3);
  AIDevice branch(MakeVersion(2, 2, 1));
  EXPECT_EQ(CheckOf([&] { branch.AI().ReadRecord(Vec("aiG_v2_1_157_flow")); }), 4687);

  // Form B writes at most 120 bytes of a longer expression.
  AIDevice b(MakeVersion(1, 7, 0));
  b.AI().ReadRecord(Vec("aiB_v1_7_0_expr120"));
  b.AI().Expression = std::string(130, 'w');
  const auto written = Written(b.AI(), MakeVersion(1, 7, 0));
  b.AI().ReadRecord(written);
  EXPECT_EQ(b.AI().Expression, std::string(120, 'w'));

  // Form F writes nothing in the area for the Ethernet signal.
  AIDevice f(MakeVersion(2, 0, 20));
  f.AI().ReadRecord(Vec("aiF_v2_0_20_ethernet"));
  f.AI().Expression = "a1";
  const auto fWritten = Written(f.AI(), MakeVersion(2, 0, 20));
  EXPECT_EQ(std::vector<std::uint8_t>(fWritten.begin() + 64, fWritten.begin() + 184), std::vector<std::uint8_t>(120, 0));
}

TEST(AIRecord, FormHFilter)
{
  const struct {
    const char* name;
    std::uint8_t type;
    std::uint16_t length;
    std::uint16_t written;
  } cases[] = {
      {"above the device's limit", 2, 20000, 9999},
      {"no length", 2, 0, 1},
      {"no filter", 0, 5, 0},
      {"within the limit", 1, 100, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AIDevice device(MakeVersion(2, 1, 160));
    TRegAIConfig& ai = device.AI();
    ai.ReadRecord(Vec("aiH_v2_1_160_filter"));
    ai.FilterType = c.type;
    ai.FilterLength = c.length;
    EXPECT_EQ(ByteReader(Written(ai, MakeVersion(2, 1, 160))).u16(28), c.written);
  }
}

TEST(AIRecord, FormHTransferFunction5CarriesNoTable)
{
  AIDevice device(MakeVersion(2, 1, 160));
  TRegAIConfig& ai = device.AI();
  ai.ReadRecord(Vec("aiH_v2_1_160_tc"));
  ai.TransferFunction = 5;
  ai.TransferTable.fill(0x55);
  const auto record = Written(ai, MakeVersion(2, 1, 160));
  EXPECT_EQ(record[27], 0);
  EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 64, record.begin() + 184), std::vector<std::uint8_t>(120, 0));
}

TEST(AIRecord, ActionFieldsAndCodeConversionByTarget)
{
  const struct {
    const char* name;
    std::uint32_t target;
    std::uint8_t header;
    std::uint16_t first;
  } cases[] = {
      {"2.1.79: no fields", MakeVersion(2, 1, 79), 0x02, 0x0501},
      {"2.1.80.0: fields, codes as held", MakeVersion(2, 1, 80, 0), 0x12, 0x0501},
      {"2.1.80.1: converted", MakeVersion(2, 1, 80, 1), 0x22, 0x0000},
      {"the branch: neither", MakeVersion(2, 2, 1), 0x02, 0x0501},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AIDevice device(c.target);
    TRegAIConfig& ai = device.AI();
    ai.ReadRecord(Vec("aiG_v2_1_20_tc"));
    ai.Events[0].ActionFieldA = 1;
    ai.Events[0].Actions[0] = 0x0501;  // class 1: field A 2 above 2.1.80.0
    const auto record = Written(ai, c.target);
    EXPECT_EQ(record[192 + 6], c.header);
    EXPECT_EQ(ByteReader(record).u16(192 + 10), c.first);
    EXPECT_EQ(ai.Events[0].Actions[0], 0x0501) << "the model keeps its code";
  }
}

TEST(AIRecord, UnattachedOrUnknownChannelIsRefused)
{
  TRegAIConfig loose;
  EXPECT_THROW(loose.ReadRecord(Vec("aiG_v2_1_20_tc")), Exception);
  std::vector<std::uint8_t> out;
  EXPECT_THROW(loose.WriteRecord(MakeVersion(2, 1, 20), out), Exception);

  AIDevice device(MakeVersion(2, 1, 20));
  device.AI().Attach(&device.config, 7);  // beyond the device's two channels
  EXPECT_EQ(CheckOf([&] { device.AI().ReadRecord(Vec("aiG_v2_1_20_tc")); }), 5203);
}

}  // namespace
