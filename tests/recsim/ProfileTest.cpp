#include <gtest/gtest.h>

#include <stdexcept>

#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"
#include "recsim/Profile.h"
#include "support/InfoRecordVectors.h"

namespace {

using recsim::DeviceProfile;
using recsim::StandardProfile;

// --- The encoders against the records written out by hand ---

struct VectorCase {
  const char* profile;
  const std::vector<std::uint8_t>* device;
  const std::vector<std::uint8_t>* general;     // null: not written out
  const std::vector<std::uint8_t>* aiChannel0;  // null: not written out
};

class ProfileVectors : public testing::TestWithParam<VectorCase> {};

TEST_P(ProfileVectors, EncodersGiveTheHandWrittenBytes)
{
  const DeviceProfile p = StandardProfile(GetParam().profile);
  EXPECT_EQ(recsim::EncodeDeviceInfoRecord(p), *GetParam().device);
  if (GetParam().general) EXPECT_EQ(recsim::EncodeGeneralInfoRecord(p), *GetParam().general);
  if (GetParam().aiChannel0) EXPECT_EQ(recsim::EncodeAIChannelRecord(p, 0), *GetParam().aiChannel0);
}

using namespace vectors;

// clang-format off
INSTANTIATE_TEST_SUITE_P(OnePerBand, ProfileVectors, testing::Values(
    VectorCase{"corvane-1.4.2",  &kDevice_1_4_2,   &kGeneral_1_4_2,   &kAIChannel_1_4_2},
    VectorCase{"corvane-1.5.3",  &kDevice_1_5_3,   nullptr,           nullptr},
    VectorCase{"corvane-1.6.3",  &kDevice_1_6_3,   nullptr,           nullptr},
    VectorCase{"corvane-1.7.0",  &kDevice_1_7_0,   nullptr,           nullptr},
    VectorCase{"corvane-1.8.1",  &kDevice_1_8_1,   &kGeneral_1_8_1,   &kAIChannel_1_8_1},
    VectorCase{"corvane-1.9.0",  &kDevice_1_9_0,   nullptr,           nullptr},
    VectorCase{"pelkar-2.0.20",  &kDevice_2_0_20,  nullptr,           nullptr},
    VectorCase{"pelkar-2.1.70",  &kDevice_2_1_70,  nullptr,           nullptr},
    VectorCase{"pelkar-2.1.100", &kDevice_2_1_100, &kGeneral_2_1_100, &kAIChannel_2_1_100},
    VectorCase{"pelkar-2.1.150", &kDevice_2_1_150, nullptr,           &kAIChannel_2_1_150},
    VectorCase{"pelkar-2.2.1",   &kDevice_2_2_1,   nullptr,           nullptr}),
    [](const testing::TestParamInfo<VectorCase>& info) {
      std::string name = info.param.profile;
      for (char& c : name) if (c == '-' || c == '.') c = '_';
      return name;
    });
// clang-format on

TEST(Profile, SignalRecordsAndGeneralRecordOf1_10)
{
  const DeviceProfile p = StandardProfile("corvane-1.10.6");
  EXPECT_EQ(recsim::EncodeGeneralInfoRecord(p), kGeneral_1_10_6);
  EXPECT_EQ(recsim::EncodeSignalSupportRecord(p, 0), kSignal_1_10_6_0);
  EXPECT_EQ(recsim::EncodeSignalSupportRecord(p, 1), kSignal_1_10_6_1);
}

// --- Every standard profile read back by the program's decoders ---

class StandardProfiles : public testing::TestWithParam<std::string> {};

TEST_P(StandardProfiles, DecodeIntoTheInformationModel)
{
  const DeviceProfile p = StandardProfile(GetParam());
  const auto records = recsim::EncodeInfoRecords(p);
  TRegInfo info;
  info.ReadDeviceInfoRecord(records.at(1));
  info.ReadGeneralInfoRecord(records.at(0));
  EXPECT_EQ(info.SwVersion, p.SwVersion);
  EXPECT_EQ(info.HwVersion, p.HwVersion);
  EXPECT_EQ(info.SerialNumber, p.SerialNumber);
  EXPECT_EQ(info.PageCount, p.PageCount);
  EXPECT_EQ(info.PageChannelCount, p.PageChannelCount);
  EXPECT_EQ(info.ModelCode, p.ModelCode);
  // Below 1.6 the record has no brand line and the decoder assumes the second.
  EXPECT_EQ(info.DeviceLine == 1, p.Vendor != "Corvane" || p.SwVersion < MakeVersion(1, 6, 0)) << "brand line";
  EXPECT_EQ(info.AIChannels.size(), p.AIChannels.size());
  EXPECT_EQ(info.DIChannels.size(), p.DICaps.size());
  EXPECT_EQ(info.DOChannels.size(), p.RelayTypes.size());
  EXPECT_EQ(info.AISignalSupport.size(), p.Signals.size());
  if (p.SwVersion >= MakeVersion(2, 0, 0)) {
    EXPECT_EQ(info.TTLCount, p.TTLCount);
    // Only the 64-byte record counts the regulators.
    EXPECT_EQ(info.CtlCount, recsim::EncodeDeviceInfoRecord(p).size() == 64 ? p.CtlCount : 0u);
    EXPECT_EQ(info.AOChannels.size(), p.AOCount);
    EXPECT_EQ(info.IPChannels.size(), p.IPCount);
    EXPECT_EQ(info.ModuleSlots, p.ModuleSlots);
  }

  // The channel records, by the numbers the full information read asks for.
  const bool secondLine = p.SwVersion >= MakeVersion(2, 0, 0);
  if (p.SwVersion >= MakeVersion(1, 10, 0))
    for (std::uint32_t i = 0; i < p.Signals.size(); ++i) {
      const auto& r = records.at(0xD0 + i);
      info.StoreAISignalSupportRecord(i, r.data(), static_cast<std::uint32_t>(r.size()));
    }
  for (std::uint32_t i = 0; i < p.AIChannels.size(); ++i) {
    const auto& r = records.at(0x10 + i);
    EXPECT_EQ(r.size(), TRegInfo::TRegAIChannelInfo::RecordSize(info.VersionPair()));
    info.StoreAIChannelRecord(i, r.data(), static_cast<std::uint32_t>(r.size()));
    EXPECT_EQ(info.AIChannels[i].Kind, p.AIChannels[i].Kind);
    EXPECT_EQ(info.AIChannels[i].Number, p.AIChannels[i].Number);
    EXPECT_EQ(std::vector<std::uint8_t>(info.AIChannels[i].SignalList().begin(), info.AIChannels[i].SignalList().end()),
              p.AIChannels[i].Signals);
  }
  for (std::uint32_t i = 0; i < p.DICaps.size(); ++i) {
    const auto& r = records.at((secondLine ? 0x50 : 0x30) + i);
    info.StoreDIChannelRecord(i, r.data(), 1);
    EXPECT_EQ(info.DIChannels[i].RecordByte, p.DICaps[i]);
  }
  for (std::uint32_t i = 0; i < p.RelayTypes.size() && p.RelayRecords; ++i) {
    const auto& r = records.at((secondLine ? 0x70 : 0x50) + i);
    info.StoreDOChannelRecord(i, r.data(), 1);
    EXPECT_EQ(info.DOChannels[i].Type, p.RelayTypes[i]);
  }
  // 1.8 announces its signal types but the program never reads them (the full read
  // refuses that firmware).
  if (p.SwVersion < MakeVersion(1, 8, 0) || p.SwVersion >= MakeVersion(1, 9, 0))
    for (std::size_t i = 0; i < p.Signals.size(); ++i) EXPECT_EQ(info.AISignalSupport[i].SignalCode, p.Signals[i].Code);
}

std::vector<std::string> DecodableProfiles()
{
  std::vector<std::string> names;
  for (const auto& d : recsim::StandardProfiles())
    if (d.Name != "pelkar-2.1.161") names.emplace_back(d.Name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(All, StandardProfiles, testing::ValuesIn(DecodableProfiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-' || c == '.') c = '_';
                           return name;
                         });

TEST(Profile, NewerThanThisReleaseIsRefusedByTheDecoder)
{
  const DeviceProfile p = StandardProfile("pelkar-2.1.161");
  TRegInfo info;
  EXPECT_THROW(info.ReadDeviceInfoRecord(recsim::EncodeDeviceInfoRecord(p)), EVantorUnsupportedNewVer);
  EXPECT_EQ(p.Revision, "v2.1.161");
}

TEST(Profile, IdentificationStrings)
{
  struct Case {
    const char* profile;
    const char* vendor;
    const char* product;
    const char* revision;
  } cases[] = {
      {"corvane-1.9.0", "Corvane", "Corvane-KX-318", "v1.9.0"},
      {"pelkar-2.1.150", "Pelkar", "Pelkar-740-L7", "v2.1.150"},
      {"pelkar-2.2.1", "Pelkar", "Pelkar-740-L7", "v2.2.1"},
      {"foreign-vendor", "Lumetra", "Lumetra-R8", "v2.1.100"},
      {"nordwick-pelkar", "Nordwick", "Pelkar-740-L7", "v2.1.100"},
      {"crossed-line", "Pelkar", "Corvane-KX-318", "v2.1.100"},
      {"revision-two-numbers", "Pelkar", "Pelkar-740-L7", "v2.1"},
  };
  for (const auto& c : cases) {
    const DeviceProfile p = StandardProfile(c.profile);
    EXPECT_EQ(p.Vendor, c.vendor) << c.profile;
    EXPECT_EQ(p.ProductCode, c.product) << c.profile;
    EXPECT_EQ(p.Revision, c.revision) << c.profile;
  }
  EXPECT_EQ(StandardProfile("old-hardware").HwVersion, MakeVersion(1, 3, 9));
  EXPECT_THROW(StandardProfile("no such profile"), std::out_of_range);
}

TEST(Profile, RecordNumbersOfTheChannelRecords)
{
  recsim::ProfileDescription d{.Name = "many-inputs", .Firmware = "2.1.100", .Model = 51, .DI = 40, .DO = 2, .ExtDO = 1};
  const auto records = recsim::EncodeInfoRecords(recsim::BuildProfile(d));
  EXPECT_TRUE(records.count(0x50 + 31) && records.count(0xB0) && records.count(0xB7));
  EXPECT_FALSE(records.count(0xB8));  // 0x50 + 32 is the first relay record
  EXPECT_TRUE(records.count(0x72) && !records.count(0x73));  // 2 relays and 1 extension relay
  EXPECT_TRUE(records.count(0xD0 + 9) && !records.count(0xD0 + 10));
  const auto old = recsim::EncodeInfoRecords(StandardProfile("corvane-1.9.0"));
  EXPECT_TRUE(old.count(0x30) && old.count(0x50) && !old.count(0xD0));  // 1.9 sends its signal types in record 0
  const auto noRelays = recsim::EncodeInfoRecords(StandardProfile("pelkar-2.1.20"));
  EXPECT_TRUE(noRelays.count(0x57) && !noRelays.count(0x70));
}

TEST(Profile, ChannelsPastTheRecordNumbersHaveNoRecord)
{
  // 49 signal types from 0xD0 would end at 0x100; 97 relays from 0x70 reach 0xD0, where
  // the signal types stay.
  recsim::ProfileDescription d{.Name = "too-many", .Firmware = "2.1.100", .Model = 51, .DO = 97, .Signals = 49};
  const auto p = recsim::BuildProfile(d);
  const auto records = recsim::EncodeInfoRecords(p);
  EXPECT_EQ(records.rbegin()->first, 0xFFu);
  EXPECT_EQ(records.at(0), recsim::EncodeGeneralInfoRecord(p));
  EXPECT_EQ(records.at(0xD0), recsim::EncodeSignalSupportRecord(p, 0));
  EXPECT_EQ(records.at(0xCF), recsim::EncodeRelayRecord(p, 95));
}

TEST(Profile, ShortRecordOf2_1_150AndAnotherFirmware)
{
  DeviceProfile p = StandardProfile("pelkar-2.1.150-short");
  EXPECT_EQ(recsim::EncodeDeviceInfoRecord(p).size(), 44u);
  p.SwVersion = p.GenSwVersion = MakeVersion(2, 1, 90);
  EXPECT_EQ(recsim::EncodeDeviceInfoRecord(p).size(), 32u);
  p.SwVersion = p.GenSwVersion = MakeVersion(2, 0, 5);
  EXPECT_EQ(recsim::EncodeDeviceInfoRecord(p).size(), 28u);
}

}  // namespace
