// The simulator's configuration profiles: their texts parse, every profile is
// consistent the way a real recorder is, and a loaded profile serves its configuration.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "recorder/info/VersionWord.h"
#include "recsim/ConfigProfiles.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/RecorderHandlers.h"
#include "support/RecorderLink.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ConfigProfileText, ParsesTheDescriptionAndTheConfiguration)
{
  const recsim::ProfileDescription d = recsim::ParseConfigProfile(
      "# a comment\n"
      "name test-2.1.54\nbrand pelkar\nfirmware 2.1.54\nmodel 51\nserial 4242\nhw 2.5.0.0\nfeatures 00002101\n"
      "ai 3\nphysai 2\ndi 4\ndo 5\nao 1\nip 2\nextao 1\nextdo 0\nsignals 12\npages 3\npagechannels 16\n"
      "sm 0\nct 0\ntmr 2\nttl 1\nctl 0\nslots 1 0 3 0 0 12\nrelayrecords 0\n"
      "record 65 00 0102\nrecord 6B 2A 03\nfile 4 \nfile 2 AABB\nblob 6F 010C\n");
  EXPECT_EQ(d.Name, "test-2.1.54");
  EXPECT_EQ(d.BrandLine, recsim::Brand::Pelkar);
  EXPECT_EQ(d.Firmware, "2.1.54");
  EXPECT_EQ(d.Model, 51);
  EXPECT_EQ(d.SerialNumber, 4242u);
  EXPECT_EQ(d.HwVersion, MakeVersion(2, 5, 0));
  EXPECT_EQ(d.Features, 0x2101u);
  EXPECT_EQ((std::vector<int>{d.AI, d.PhysAI, d.DI, d.DO, d.AO, d.IP, d.ExtAO, d.ExtDO, d.Signals, d.Pages,
                              d.PageChannels, d.SM, d.CT, d.TMR, d.TTL, d.Ctl}),
            (std::vector<int>{3, 2, 4, 5, 1, 2, 1, 0, 12, 3, 16, 0, 0, 2, 1, 0}));
  EXPECT_EQ(d.ModuleSlots, (std::array<std::uint8_t, 6>{1, 0, 3, 0, 0, 12}));
  EXPECT_FALSE(d.RelayRecords);
  ASSERT_TRUE(d.Configuration);
  const auto& c = *d.Configuration;
  EXPECT_EQ(c.records.size(), 2u);
  EXPECT_EQ(c.records.at({0x65, 0x00}), (Bytes{1, 2}));
  EXPECT_EQ(c.records.at({0x6B, 0x2A}), (Bytes{3}));
  EXPECT_EQ(c.files.at(4), Bytes{});
  EXPECT_EQ(c.files.at(2), (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(c.blobs.at(0x6F), (Bytes{1, 12}));
}

TEST(ConfigProfileText, NamesTheLineItCannotRead)
{
  const char* const bad[][2] = {
      {"name x\nfirmware 2.1.54\nrecord 65 100 00\n", "profile line 3: bad number 100"},
      {"name x\nfirmware 2.1.54\nrecord 65 01 ABC\n", "profile line 3: odd hex"},
      {"name x\nfirmware 2.1.300\n", "profile line 2: bad number 300"},
      {"name x\nfirmware 2.1.54\nfile 5 00\n", "profile line 3: bad number 5"},
      {"name x\nfirmware 2.1.54\nbrand lumetra\n", "profile line 3: bad brand lumetra"},
      {"name x\nfirmware 2.1.54\ncolour blue\n", "profile line 3: not understood: colour blue"},
      {"name x\nfirmware 2.1.54\nai 3 4\n", "profile line 3: not understood: ai 3 4"},
      {"name x\n", "profile without a name or a firmware"},
  };
  for (const auto& [text, message] : bad) {
    SCOPED_TRACE(text);
    try {
      recsim::ParseConfigProfile(text);
      ADD_FAILURE() << "parsed";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

// What a real recorder never shows, checked on the data the script wrote.
TEST(ConfigProfiles, AreConsistentTheWayARecorderIs)
{
  constexpr unsigned kMS = 14, kAMX = 15, kTables = 19, kPID = 25, kBoards2 = 27;
  ASSERT_GE(recsim::ConfigProfiles().size(), 12u);
  for (const auto& d : recsim::ConfigProfiles()) {
    SCOPED_TRACE(std::string(d.Name));
    const recsim::DeviceProfile p = recsim::BuildProfile(d);
    const std::uint32_t v = p.SwVersion;
    auto bit = [&](unsigned n) { return (p.Features >> n & 1) != 0; };
    auto from = [&](unsigned build) { return IsFirmwareFrom(v, MakeVersion(2, 1, build)); };
    EXPECT_TRUE(p.ModelCode == 21 || p.ModelCode == 51);
    EXPECT_TRUE(!from(25) || p.SMCount + p.CTCount == 0) << "no totalizers or counters from 2.1.25";
    EXPECT_TRUE(from(25) || IsInBranch(v) || p.TTLCount == 0) << "no TTL channels on 2.0-2.1.24";
    EXPECT_TRUE(!from(90) || p.PageChannelCount == 16 || p.PageChannelCount == 20);
    EXPECT_TRUE(!bit(kMS) || from(91));
    EXPECT_TRUE(!bit(kAMX) || from(70));
    EXPECT_TRUE(!bit(kTables) || from(127));
    EXPECT_TRUE(!bit(kPID) || from(150));
    EXPECT_TRUE(!bit(kBoards2) || from(127)) << "0x69 carries the scheme blob before the record files";
    EXPECT_LE(p.DICaps.size(), 64u);
    const auto& c = *p.Configuration;
    EXPECT_TRUE(c.records.count({0x65, 0})) << "the general record";
    // Blobs and record files by the firmware that has them.
    for (const auto& [function, blob] : c.blobs) {
      EXPECT_FALSE(from(127)) << "a blob where the firmware has record files";
      EXPECT_GE(blob.size(), 12u);
      EXPECT_EQ(blob[0], 1) << "present";
    }
    EXPECT_TRUE(from(127) || c.files.empty()) << "record files before the firmware has them";
  }
}

TEST(ConfigProfiles, AreFoundByNameAndListedAfterTheOthers)
{
  const auto names = recsim::ProfileNames();
  const auto& config = recsim::ConfigProfiles();
  ASSERT_GE(names.size(), config.size());
  for (std::size_t i = 0; i < config.size(); ++i)
    EXPECT_EQ(names[names.size() - config.size() + i], config[i].Name);
  EXPECT_TRUE(recsim::FindProfile("corvane-21-2.1.54-h2.5").has_value());
}

class ConfigServing : public testing::Test {
protected:
  Bytes Ask(std::uint8_t function, const Bytes& data)
  {
    ModbusMaster::TBaseModbusMessage message;
    message.SetRequest(function, data);
    link.transport->Execute(RecorderLink::kUnit, message);
    return Bytes(message.Reply.Data(), message.Reply.Data() + message.Reply.DataLength());
  }

  RecorderLink link{LinkKind::Tcp};
};

TEST_F(ConfigServing, ALoadedProfileAnswersItsRecordsFilesAndBlobs)
{
  link.Load("corvane-21-2.1.127-h2.5");
  const auto& c = *recsim::FindProfile("corvane-21-2.1.127-h2.5")->Configuration;
  const Bytes& general = c.records.at({0x65, 0});
  Bytes expected{0, static_cast<std::uint8_t>(general.size())};
  expected.insert(expected.end(), general.begin(), general.end());
  EXPECT_EQ(Ask(0x65, {0}), expected);
  const auto size = static_cast<std::uint32_t>(c.files.at(3).size());
  const auto byte = [size](int shift) { return static_cast<std::uint8_t>(size >> shift); };
  EXPECT_EQ(Ask(0x69, {3, 0, 0, 0}), (Bytes{3, 4, 0, 0, byte(0), byte(8), byte(16), byte(24)}));

  // Another profile replaces the configuration: its blobs, and none of the files before.
  link.Load("corvane-51-2.1.110-h2.5");
  const Bytes& scheme = recsim::FindProfile("corvane-51-2.1.110-h2.5")->Configuration->blobs.at(0x69);
  const Bytes chunk = Ask(0x69, {0, 0, 0, 0});
  ASSERT_GE(chunk.size(), 6u + 12u);
  EXPECT_EQ(Bytes(chunk.begin() + 6, chunk.begin() + 18), Bytes(scheme.begin(), scheme.begin() + 12));
  link.Device([](recsim::Device& d) { EXPECT_TRUE(d.recordFiles.empty()); });

  // A profile without a configuration answers no configuration request.
  link.Load("pelkar-2.1.100");
  link.Device([](recsim::Device& d) {
    EXPECT_EQ(d.records.Find(0x65, 0), nullptr);
    EXPECT_TRUE(recsim::Recorder(d).blobs.empty());
  });
}

}  // namespace
