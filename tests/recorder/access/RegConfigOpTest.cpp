#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "recorder/access/RegConfigOp.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"
#include "support/RecorderLink.h"

using namespace Registrator;
using Objects = std::vector<std::pair<std::uint8_t, std::string>>;

namespace {

class RegConfigOpOnLink : public testing::TestWithParam<LinkKind> {
protected:
  RecorderLink link{GetParam()};
  TRegConfigOp op;

  void SetObjects(const Objects& objects)
  {
    link.Device([&](recsim::Device& device) { recsim::Recorder(device).identification = objects; });
  }
  std::string Refused(const std::string& texts) const
  {
    return link.Source() + ": Неподдерживаемое устройство\r\n" + texts;
  }
};

TEST_P(RegConfigOpOnLink, IdentifiesBothBrandLinesAndRefusesOthers)
{
  struct Case {
    const char* name;
    Objects objects;
    int line;  // -1: refused
    const char* texts;
  };
  const Case cases[] = {
      {"first line", {{0, "Corvane"}, {1, "Corvane-KX-318"}, {2, "v1.4.2"}}, 0, nullptr},
      {"second line", {{0, "Pelkar"}, {1, "Pelkar-740-L7"}, {2, "v2.1.160"}}, 1, nullptr},
      {"Nordwick sells both, first", {{0, "Nordwick"}, {1, "Corvane-KX-5"}, {2, "v1.9.0"}}, 0, nullptr},
      {"Nordwick sells both, second", {{0, "Nordwick"}, {1, "Pelkar-740"}, {2, "v2.1.100"}}, 1, nullptr},
      {"objects in another order", {{2, "v2.1.70"}, {1, "Pelkar-740-L7"}, {0, "Pelkar"}}, 1, nullptr},
      {"foreign vendor", {{0, "Lumetra"}, {1, "Lumetra-R8"}, {2, "v2.1.100"}}, -1, "\nLumetra\nLumetra-R8\nv2.1.100"},
      {"product code of the other line", {{0, "Pelkar"}, {1, "Corvane-KX-318"}, {2, "v2.1.100"}}, -1,
       "\nPelkar\nCorvane-KX-318\nv2.1.100"},
      {"vendor in other letter case", {{0, "corvane"}, {1, "Corvane-KX-318"}, {2, "v1.4.2"}}, -1,
       "\ncorvane\nCorvane-KX-318\nv1.4.2"},
      {"pattern not at the start", {{0, "Pelkar"}, {1, "X-Pelkar-740"}, {2, "v2.1.100"}}, -1,
       "\nPelkar\nX-Pelkar-740\nv2.1.100"},
      {"two objects only", {{0, "Pelkar"}, {1, "Pelkar-740-L7"}}, -1, "\nPelkar\nPelkar-740-L7"},
      // The objects are bytes in code page 1251; the message shows them as UTF-8.
      {"Cyrillic vendor", {{0, "\xCA\xEE\xF0\xE2\xE5\xE9\xED"}, {1, "\xCA\xD5-318"}, {2, "v1.4.2"}}, -1,
       "\nКорвейн\nКХ-318\nv1.4.2"},
      {"no objects", {}, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetObjects(c.objects);
    TRegConfigOp fresh;
    if (c.line >= 0) {
      fresh.Identify(*link.transport, RecorderLink::kUnit);
      EXPECT_EQ(fresh.IdLine, c.line);
    } else {
      EXPECT_THROW_MSG(fresh.Identify(*link.transport, RecorderLink::kUnit), EMBUnsupportedDevice, Refused(c.texts));
      EXPECT_EQ(fresh.IdLine, TRegConfigOp::kLineUnknown);
    }
  }
}

TEST_P(RegConfigOpOnLink, KeepsTheIdentificationTextsByteForByte)
{
  link.Load("revision-two-numbers");
  // A cp1251 vendor suffix: the texts are bytes, not converted.
  SetObjects({{0, "Nordwick"}, {1, "Pelkar-740-\xCB\x37"}, {2, "v2.1"}});
  op.Identify(*link.transport, RecorderLink::kUnit);
  EXPECT_EQ(op.Vendor, "Nordwick");
  EXPECT_EQ(op.ProductCode, "Pelkar-740-\xCB\x37");
  EXPECT_EQ(op.Revision, "v2.1");
  std::uint32_t version = 1;
  EXPECT_FALSE(ParseVersionText(op.Revision, version));  // the callers' version policy refuses it
}

struct ProfileExpectation {
  const char* profile;
  std::uint32_t version;
  std::uint32_t serial;
  std::uint8_t line;  // after the device information (identification gives 0 or 1 first)
  std::size_t copied;
  std::uint32_t model;
};

// Serial numbers, lines and models as the profiles describe the devices; the model is
// the general record's, which replaces the device record's.
const ProfileExpectation kProfiles[] = {
    {"corvane-1.4.2", MakeVersion(1, 4, 2), 1402, 0, 34, 2},
    {"corvane-1.5.3", MakeVersion(1, 5, 3), 1503, 0, 40, 2},
    {"corvane-1.6.3", MakeVersion(1, 6, 3), 1603, 2, 44, 2},
    {"corvane-1.7.0", MakeVersion(1, 7, 0), 1700, 2, 44, 2},
    {"corvane-1.8.1", MakeVersion(1, 8, 1), 1801, 2, 44, 6},
    {"corvane-1.9.0", MakeVersion(1, 9, 0), 1900, 2, 44, 2},
    {"corvane-1.10.6", MakeVersion(1, 10, 6), 11006, 2, 44, 3},
    {"pelkar-2.0.20", MakeVersion(2, 0, 20), 2020, 1, 28, 21},
    {"pelkar-2.1.70", MakeVersion(2, 1, 70), 2170, 1, 28, 51},
    {"pelkar-2.1.100", MakeVersion(2, 1, 100), 21100, 1, 28, 51},
    {"corvane-2.1.120", MakeVersion(2, 1, 120), 21120, 0, 28, 21},
    {"pelkar-2.1.150", MakeVersion(2, 1, 150), 21150, 1, 28, 51},
    {"pelkar-2.1.150-short", MakeVersion(2, 1, 150), 21151, 1, 28, 51},
    {"pelkar-2.1.160", MakeVersion(2, 1, 160), 21160, 1, 28, 51},
    {"pelkar-2.2.1", MakeVersion(2, 2, 1), 2201, 1, 28, 51},
};

TEST_P(RegConfigOpOnLink, ReadsDeviceAndGeneralInformationOfEveryProfile)
{
  for (const auto& p : kProfiles) {
    SCOPED_TRACE(p.profile);
    link.Load(p.profile);
    TRegConfigOp context;
    TRegInfo info;
    context.Identify(*link.transport, RecorderLink::kUnit);
    context.ReadDeviceInfo(*link.transport, RecorderLink::kUnit, &info);
    EXPECT_EQ(context.IdSwVersion, p.version);
    EXPECT_EQ(context.IdSerial, p.serial);
    EXPECT_EQ(context.IdLine, p.line);
    auto record = link.Device([](recsim::Device& device) { return *device.records.Find(0x64, 1); });
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + p.copied, context.InfoRecordCopy.begin()));
    EXPECT_TRUE(std::all_of(context.InfoRecordCopy.begin() + p.copied, context.InfoRecordCopy.end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(info.SwVersion, p.version);
    EXPECT_EQ(info.SerialNumber, p.serial);

    EXPECT_TRUE(context.ReadGeneralInfo(*link.transport, RecorderLink::kUnit, info));
    EXPECT_EQ(info.GenSwVersion, p.version);
    EXPECT_EQ(info.ModelCode, p.model);
    EXPECT_TRUE(info.InfoIncomplete);
  }
}

TEST_P(RegConfigOpOnLink, RefusesHardwareBelow1_4)
{
  link.Load("old-hardware");
  TRegInfo info;
  op.Identify(*link.transport, RecorderLink::kUnit);
  EXPECT_THROW_MSG(op.ReadDeviceInfo(*link.transport, RecorderLink::kUnit, &info), EMBUnsupportedDevice,
                    Refused("hw 1.3.9"));
  EXPECT_EQ(op.IdSwVersion, MakeVersion(2, 1, 0));  // set before the refusal
  EXPECT_EQ(op.IdSerial, 9005u);
  EXPECT_EQ(info.SwVersion, 0u);  // nothing decoded
}

INSTANTIATE_TEST_SUITE_P(Links, RegConfigOpOnLink, testing::ValuesIn(AllLinks()),
                         [](const auto& info) { return LinkKindName(info.param); });

// The length and version rules of the device information record, on one link.
class DeviceInfoChecks : public testing::Test {
protected:
  RecorderLink link{LinkKind::Tcp};
  TRegConfigOp op;

  // The profile's record 1, shortened or with another firmware word.
  void Record(const char* profile, std::size_t length, std::uint32_t version = 0)
  {
    link.Load(profile);
    link.Device([&](recsim::Device& device) {
      auto record = *device.records.Find(0x64, 1);
      record.resize(std::min(length, record.size()));
      if (version) ByteWriter(record).u32(4, version);
      device.records.Set(0x64, 1, record);
    });
  }
  void Read(TRegInfo* info = nullptr) { op.ReadDeviceInfo(*link.transport, RecorderLink::kUnit, info); }
  std::string Source() const { return link.Source() + ": "; }
};

TEST_F(DeviceInfoChecks, ShortRecordsNameTheirBand)
{
  struct Case {
    const char* profile;
    std::size_t length;
    const char* detail;
  };
  const Case cases[] = {
      {"pelkar-2.1.100", 7, "13"},  {"corvane-1.4.2", 33, "13"}, {"corvane-1.5.3", 39, "15"},
      {"corvane-1.6.3", 43, "16"},  {"corvane-1.7.0", 43, "17"}, {"corvane-1.8.1", 43, "18"},
      {"corvane-1.10.6", 43, "19"}, {"pelkar-2.1.100", 27, "20"}, {"pelkar-2.2.1", 27, "20"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + std::to_string(c.length));
    Record(c.profile, c.length);
    EXPECT_THROW_MSG(Read(), EMBUnsupportedDevice, Source() + "Неподдерживаемое устройство\r\n" + c.detail);
  }
}

TEST_F(DeviceInfoChecks, RecordOf28BytesPassesTheContextAndLeavesTheRestToTheDecoder)
{
  Record("pelkar-2.1.100", 28);
  Read();
  EXPECT_EQ(op.IdSerial, 21100u);
  EXPECT_EQ(op.IdLine, 1);
  TRegInfo info;
  EXPECT_THROW_MSG(Read(&info), EVantorInvalid, "{4836}");  // 2.1.100 needs 44 bytes
}

TEST_F(DeviceInfoChecks, VersionsOutsideTheBandsAreRefused)
{
  auto text = [](const char* direction, const char* device, const char* limit) {
    return std::string("Регистратор имеет версию ПО ") + device +
           "\r\nПрограмма поддерживает работу с регистраторами версий " + direction + " " + limit +
           " включительно.\r\nДля работы с регистратором требуется обновление программы.";
  };
  Record("corvane-1.4.2", 34, MakeVersion(1, 2, 5));
  EXPECT_THROW_MSG(Read(), EMBUnsupportedOldVersion, Source() + text("от", "1.2.5", "1.3.0"));
  Record("corvane-1.10.6", 44, MakeVersion(1, 10, 21));
  EXPECT_THROW_MSG(Read(), EMBUnsupportedNewVersion, Source() + text("до", "1.10.21", "1.10.20"));
  Record("pelkar-2.1.160", 64, MakeVersion(2, 1, 161));
  EXPECT_THROW_MSG(Read(), EMBUnsupportedNewVersion, Source() + text("до", "2.1.161", "2.1.160"));
  Record("pelkar-2.2.1", 64, MakeVersion(2, 2, 4));
  EXPECT_THROW_MSG(Read(), EMBUnsupportedNewVersion, Source() + text("до", "2.2.4", "2.1.160"));
  EXPECT_EQ(op.IdSwVersion, MakeVersion(2, 2, 4));  // kept after the refusal
  Record("pelkar-2.2.1", 64, MakeVersion(2, 2, 3, 255));
  Read();
  EXPECT_EQ(op.IdLine, 1);
}

TEST_F(DeviceInfoChecks, WithoutInfoOnlyTheContextChanges)
{
  link.Load("pelkar-2.1.150");
  Read();
  EXPECT_EQ(op.IdSwVersion, MakeVersion(2, 1, 150));
  EXPECT_EQ(op.IdSerial, 21150u);
  EXPECT_EQ(op.IdLine, 1);
  EXPECT_TRUE(op.Vendor.empty());
  EXPECT_EQ(op.ProgressDone, 0u);
}

}  // namespace
