// The device information of the backup file. Expected bytes come from info_sections.py
// (info_sections.txt beside it), which builds the same devices from the same literals
// with the record layouts written out by hand.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "InfoTestSupport.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"
#include "support/Hex.h"

namespace {

const std::vector<std::uint8_t>& InfoVector(const std::string& name)
{
  static std::map<std::string, std::vector<std::uint8_t>> vectors;
  if (vectors.empty()) {
    const char* dir = std::getenv("KESTREL_TEST_DATA");
    const std::string path = std::string(dir ? dir : KESTREL_INFO_TEST_DATA) + "/info_sections.txt";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("no vector file " + path);
    for (std::string line; std::getline(in, line);)
      if (!line.empty() && line[0] != '#') vectors[line.substr(0, line.find(' '))] = Hex(line.substr(line.find(' ') + 1));
  }
  return vectors.at(name);
}

struct SignalLiteral {
  std::uint8_t code;
  int aux, decimals;
  float r1lo, r1hi, r2lo, r2hi;
};

void AddSignal(TRegInfo& info, const SignalLiteral& s)
{
  auto& entry = info.AISignalSupport.emplace_back();
  entry.SignalCode = s.code;
  entry.AuxParam = s.aux;
  entry.Decimals = s.decimals;
  entry.SetRanges(s.r1lo, s.r1hi, s.r2lo, s.r2hi);
  entry.Valid = 1;
}

void AddAIChannel(TRegInfo& info, std::uint8_t kind, std::uint8_t number, std::uint32_t mask,
                  std::vector<std::uint8_t> list)
{
  auto& channel = info.AIChannels.emplace_back();
  channel.Kind = kind;
  channel.Number = number;
  channel.SignalMask = mask;
  channel.SignalCount = static_cast<std::uint8_t>(list.size());
  std::copy(list.begin(), list.end(), channel.Signals.begin());
}

void AddDI(TRegInfo& info, std::uint8_t caps)
{
  auto& channel = info.DIChannels.emplace_back();
  channel.Caps1 = channel.Caps2 = caps;
}

// The device of the vectors: the fields of its device record...
void FillDevice(TRegInfo& info, std::uint32_t sw, std::uint32_t features)
{
  info.HwVersion = 0x02050000;
  info.SwVersion = sw;
  info.Features = features;
  info.DevAuxWord = 0x11223344;
  info.PageCount = 4;
  info.PageChannelCount = 16;
  info.SMCount = 1;
  info.CTCount = 2;
  info.TMRCount = 3;
  info.RS485Count = 2;
  info.DevFilterParam = 50;
  info.DeviceLine = 1;
  info.SerialNumber = 2170025;
  info.TTLCount = 5;
  info.TagFieldCount = 4;
  info.TagFieldAux = 0x0102;
  info.ModelCode = 21;
  info.ModelVariant = 3;
  info.ExtAOCount = 2;
  info.ExtDOCount = 2;
  info.UserTableLimit1 = 4000;
  info.UserTableLimit2 = 1000;
  info.UserTableCount = 4;
  info.MSCapacity = 200;
  info.MSAuxWord = 0x0A0B;
  info.CtlCount = 6;
  info.ScreenWidth = 800;
  info.ScreenHeight = 568;
  info.InterfaceMask = 0x1E;
  for (std::uint8_t i = 0; i < 16; ++i) info.HardwareId[i] = static_cast<std::uint8_t>(0xA0 + i);
}

// ...its general record and channels.
void FillGeneral(TRegInfo& info, std::uint32_t genSw, std::uint32_t genHw)
{
  info.GenHwVersion = genHw;
  info.GenSwVersion = genSw;
  info.GenModelCode = 2;
  info.GenFlags = 1;
  info.GenTimeBase = 0x0164;
  info.GenAux8 = 7;
  info.GenAux1 = 0x0F;
  info.GenAux2 = 0x1FFF;
  info.GenOptionMask = 0x33;
  info.GenAux3 = 0x05;
  info.RtdTypeMask = 0x77;
  info.RtdR0Mask = 0x0C;
  info.GenAux4 = 9;
  info.GenValue1 = 20.0f;
  info.GenValue2 = 23.0f;
  info.ModuleSlots = {1, 2, 3, 0, 0, 0};
  info.PhysAICount = 2;
  info.GenCount1 = 1;
  info.GenCount2 = 4;
  info.GenCount3 = 1;
  info.AOCount = 2;
  info.IPCount = 5;
  AddAIChannel(info, 0, 0, 0x0003, {0, 1});
  AddAIChannel(info, 0, 1, 0x0001, {0});
  AddAIChannel(info, 3, 0, 0x0002, {1});
  AddDI(info, 0x03);
  AddDI(info, 0x81);
  info.DOCount = 3;
  for (std::uint8_t type : {0, 1, 2, 3, 4}) info.DOChannels.emplace_back(type);
}

void TwoSignals(TRegInfo& info)
{
  AddSignal(info, {1, -2, 3, 0.0f, 20.0f, 0.0f, 100.0f});
  AddSignal(info, {6, 1, 1, 0.0f, 1300.0f, -50.0f, 1300.0f});
}

void TenSignals(TRegInfo& info, std::size_t count)
{
  for (std::uint8_t i = 0; i < count; ++i) AddSignal(info, {i, 0, 2, 0.0f, 20.0f + i, 0.0f, 100.0f + i});
}

std::vector<std::uint8_t> Written(const TRegInfo& info, std::uint32_t sw, std::uint32_t genSw)
{
  std::vector<std::uint8_t> out;
  info.WriteInfoSection({sw, genSw}, out);
  return out;
}

struct SecondLineCase {
  const char* vector;
  std::uint32_t sw, features, genSw;
};

class InfoSectionsSecondLine : public testing::TestWithParam<SecondLineCase> {};

// The order (17 first from 2.1.131), the device record's form and the fields that follow
// the device's own firmware and bits: tag fields from 2.1.53 with bit 13 (never on the
// branch), extension outputs from 2.1.110, user tables from 2.1.127 with bit 19.
TEST_P(InfoSectionsSecondLine, MatchTheIndependentVector)
{
  const SecondLineCase& c = GetParam();
  TRegInfo info;
  FillDevice(info, c.sw, c.features);
  FillGeneral(info, c.genSw, 0x02050000);
  info.ModelCode = 21;
  TwoSignals(info);
  EXPECT_EQ(HexOf(Written(info, c.sw, c.genSw)), HexOf(InfoVector(c.vector)));
}

const SecondLineCase kSecondLine[] = {
    {"v2_1_140", MakeVersion(2, 1, 140), 1u << 13 | 1u << 19, MakeVersion(2, 1, 140)},
    {"v2_1_100_without_bit_19", MakeVersion(2, 1, 100), 1u << 13, MakeVersion(2, 1, 100)},
    {"v2_1_20", MakeVersion(2, 1, 20), 1u << 13, MakeVersion(2, 1, 20)},
    // A mask of 24 signals whatever the general part's firmware.
    {"v2_1_160", MakeVersion(2, 1, 160), 1u << 13 | 1u << 19 | 1u << 25, MakeVersion(1, 10, 5)},
    {"v2_2_1", MakeVersion(2, 2, 1), 1u << 13, MakeVersion(2, 0, 10)},
};

INSTANTIATE_TEST_SUITE_P(Versions, InfoSectionsSecondLine, testing::ValuesIn(kSecondLine),
                         [](const auto& info) { return std::string(info.param.vector); });

TEST(InfoSections, FirstLineMatchTheIndependentVectors)
{
  const struct {
    const char* vector;
    std::uint32_t sw;
  } tenth[] = {{"v1_10_15", MakeVersion(1, 10, 15)}, {"v1_10_16", MakeVersion(1, 10, 16)}};
  for (const auto& c : tenth) {
    SCOPED_TRACE(c.vector);
    TRegInfo info;
    FillDevice(info, c.sw, 1u << 12);
    FillGeneral(info, MakeVersion(1, 10, 2), 0x01050000);
    info.ScheduleCount = 12;
    info.ModelCode = 2;
    TwoSignals(info);
    EXPECT_EQ(HexOf(Written(info, c.sw, MakeVersion(1, 10, 2))), HexOf(InfoVector(c.vector)));
  }

  // 1.9: ten signal types inside the general record, no section 18, the device record
  // of 1.10 last.
  TRegInfo nine;
  FillDevice(nine, MakeVersion(1, 9, 0), 1u << 12);
  FillGeneral(nine, MakeVersion(1, 9, 0), 0x01050000);
  nine.ScheduleCount = 12;
  nine.ModelCode = 2;
  TenSignals(nine, 10);
  EXPECT_EQ(HexOf(Written(nine, MakeVersion(1, 9, 0), MakeVersion(1, 9, 0))), HexOf(InfoVector("v1_9")));
}

TEST(InfoSections, OldLayoutAreas)
{
  TRegInfo four;
  FillDevice(four, MakeVersion(1, 4, 2), 0);
  FillGeneral(four, MakeVersion(1, 4, 0), 0x01050000);
  TenSignals(four, 9);
  four.DOChannels.resize(3);  // a first-line device has no extension relays
  EXPECT_EQ(HexOf(Written(four, MakeVersion(1, 4, 2), MakeVersion(1, 4, 0))), HexOf(InfoVector("area_1_4")));

  // 9 signal types, 8 AI, 8 DI, 4 relays: the length word 266, then a zero word.
  TRegInfo eight;
  FillDevice(eight, MakeVersion(1, 8, 1), 1u << 12);
  FillGeneral(eight, MakeVersion(1, 8, 0), 0x01050000);
  eight.ModelCode = 6;
  eight.PhysAICount = 8;
  eight.AIChannels.clear();
  for (std::uint8_t i = 0; i < 8; ++i) AddAIChannel(eight, 0, i, 0, {0, 1});
  eight.DIChannels.clear();
  for (int i = 0; i < 8; ++i) AddDI(eight, 0x01);
  eight.DOCount = 4;
  eight.DOChannels.resize(4);
  for (std::uint8_t i = 0; i < 4; ++i) eight.DOChannels[i].Type = i;
  TenSignals(eight, 9);
  const auto area = Written(eight, MakeVersion(1, 8, 1), MakeVersion(1, 8, 0));
  EXPECT_EQ(HexOf(area), HexOf(InfoVector("area_1_8")));
  ASSERT_GE(area.size(), 4u);
  EXPECT_EQ(area[0] | area[1] << 8, 266);
  EXPECT_EQ(area[2] | area[3] << 8, 0);
}

TEST(InfoSections, Refusals)
{
  TRegInfo info;
  FillDevice(info, MakeVersion(1, 6, 3), 0);
  FillGeneral(info, MakeVersion(1, 6, 3), 0x01050000);
  TenSignals(info, 9);
  std::vector<std::uint8_t> out;
  EXPECT_EQ(CheckOf([&] { info.WriteInfoSection({MakeVersion(1, 6, 3), MakeVersion(1, 6, 3)}, out); }), 5703);
  EXPECT_EQ(CheckOf([&] { info.WriteInfoSection({MakeVersion(1, 9, 0), MakeVersion(1, 9, 0)}, out); }), 5859);
  EXPECT_EQ(CheckOf([&] { info.WriteInfoSection({MakeVersion(1, 5, 0), MakeVersion(1, 5, 0)}, out); }), 0);
  EXPECT_EQ(CheckOf([&] { info.WriteInfoSection({0, MakeVersion(1, 5, 0)}, out); }), 5491);
  EXPECT_EQ(CheckOf([&] { info.WriteInfoSection({MakeVersion(2, 1, 100), 0}, out); }), 5491);

  const struct {
    std::uint32_t version;
    std::uint32_t newest;  // 0: refused as too old
  } refused[] = {
      {MakeVersion(1, 2, 9), 0},
      {MakeVersion(1, 7, 2), 0},
      {MakeVersion(1, 10, 21), kFirstLineUpTo},
      {MakeVersion(2, 1, 161), kSecondLineUpTo},
      {MakeVersion(2, 2, 4), kSecondLineUpTo},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(VersionToText(r.version));
    auto write = [&] { info.WriteInfoSection({r.version, r.version}, out); };
    if (r.newest == 0) {
      EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>(write), r.version);
    } else {
      EXPECT_THROW_MSG(write(), EVantorUnsupportedNewVer, EVantorUnsupportedNewVer(r.version, r.newest).Message());
    }
  }
}

// The first-line device section serves 1.9 too (the sections of 1.9 carry it), and
// writes nothing for the second line; the second-line one refuses the first line.
TEST(InfoSections, DeviceSectionWriters)
{
  TRegInfo info;
  FillDevice(info, MakeVersion(1, 9, 0), 0);
  std::vector<std::uint8_t> out;
  info.WriteDeviceInfoSection1x(MakeVersion(1, 9, 0), out);
  EXPECT_EQ(out.size(), 4u + 44 + 2);
  out.clear();
  info.WriteDeviceInfoSection1x(MakeVersion(2, 1, 100), out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { info.WriteDeviceInfoSection1x(MakeVersion(1, 8, 1), out); }),
            MakeVersion(1, 8, 1));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { info.WriteDeviceInfoSection2x(MakeVersion(1, 10, 5), out); }),
            MakeVersion(1, 10, 5));
  info.WriteDeviceInfoSection2x(MakeVersion(2, 1, 150), out);
  EXPECT_EQ(out.size(), 4u + 64 + 2);
}

// An entry of the signal list that no record ever filled has no code worth writing.
TEST(InfoSections, SignalTypeNeverReadRaises)
{
  TRegInfo info;
  FillDevice(info, MakeVersion(2, 1, 100), 0);
  FillGeneral(info, MakeVersion(2, 1, 100), 0x02050000);
  info.AISignalSupport.resize(1);
  std::vector<std::uint8_t> out;
  EXPECT_THROW_MSG(info.WriteInfoSection({MakeVersion(2, 1, 100), MakeVersion(2, 1, 100)}, out), Exception,
                   "Incorrect version");
}

}  // namespace
