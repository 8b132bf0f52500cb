// The simulated recorder's side of a firmware update: chunk order, the install of a
// whole image, and the firmware it runs afterwards.

#include <gtest/gtest.h>

#include "recsim/Device.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/RecorderHandlers.h"

namespace {

using recsim::Device;
using recsim::Request;
using recsim::Response;
using Bytes = std::vector<std::uint8_t>;

class FirmwareUpdate : public ::testing::Test {
protected:
  // Offset u32 little-endian, length, the bytes.
  Response Chunk(std::uint32_t offset, Bytes bytes)
  {
    Bytes data{0x01, static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(offset >> 8),
               static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 24),
               static_cast<std::uint8_t>(bytes.size())};
    data.insert(data.end(), bytes.begin(), bytes.end());
    return Send(std::move(data));
  }
  Response Install(std::uint32_t size)
  {
    return Send({0x02, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8), 0x00, 0x00});
  }
  Response Send(Bytes data)
  {
    Request request;
    request.unit = 1;
    request.function = 0x68;
    request.data = std::move(data);
    return (*handlers.Find(0x68))(device, request);
  }
  // The identification's revision text.
  std::string Revision() { return recsim::Recorder(device).identification.at(2).second; }

  recsim::HandlerTable handlers = recsim::DefaultHandlers();
  Device device;
};

Bytes Status(std::uint8_t status) { return {status}; }

TEST_F(FirmwareUpdate, ChunksMustContinueTheImage)
{
  EXPECT_EQ(Chunk(0, {1, 2, 3}).data, Status(0));
  EXPECT_EQ(Chunk(3, {4, 5}).data, Status(0));
  EXPECT_EQ(Chunk(3, {4, 5}).data, Status(0));    // the last chunk again: a retry
  EXPECT_EQ(Chunk(1, {9}).data, Status(1));   // neither next nor the last one
  EXPECT_EQ(Chunk(9, {9}).data, Status(1));       // a gap
  EXPECT_EQ(Chunk(5, {6}).data, Status(0));
  EXPECT_EQ(device.upload.image, (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(recsim::Firmware(device).chunksOutOfOrder, 2u);

  // Offset 0 starts a new image.
  EXPECT_EQ(Chunk(0, {7}).data, Status(0));
  EXPECT_EQ(device.upload.image, Bytes{7});
}

TEST_F(FirmwareUpdate, InstalledFirmwareIsWhatTheRecorderReportsAfterwards)
{
  recsim::ServeProfile(device, *recsim::FindProfile("corvane-21-2.1.70-h2.5"));
  recsim::Recorder(device).inputRegisters[75] = 1;  // a protected level stays protected
  recsim::Firmware(device).versionAfterInstall = 0x0201A073;
  EXPECT_EQ(Revision(), "v2.1.70");

  Chunk(0, {1, 2});
  // A refused install changes nothing.
  device.upload.installStatus = 10;
  EXPECT_EQ(Install(2).data, Status(10));
  EXPECT_EQ(Revision(), "v2.1.70");

  // Nor does an install of another size than the image received.
  device.upload.installStatus = 0;
  EXPECT_EQ(Install(3).data, Status(0));
  EXPECT_EQ(Revision(), "v2.1.70");
  EXPECT_EQ(recsim::Firmware(device).installsMismatched, 1u);

  EXPECT_EQ(Install(2).data, Status(0));
  EXPECT_EQ(Revision(), "v2.1.160");
  // Record 1 carries the firmware word at bytes 4-7.
  const Bytes* record = device.records.Find(0x64, 1);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(Bytes(record->begin() + 4, record->begin() + 8), (Bytes{0x73, 0xA0, 0x01, 0x02}));
  EXPECT_EQ(recsim::Recorder(device).inputRegisters.at(75), 1);
  EXPECT_EQ(recsim::Firmware(device).firmwareSwitches, 1u);
}

TEST(FirmwareProfiles, NamesAndVersionTexts)
{
  EXPECT_TRUE(recsim::FindProfile("pelkar-2.1.160"));
  EXPECT_TRUE(recsim::FindProfile("corvane-51-2.1.158-h2.6-p"));
  EXPECT_FALSE(recsim::FindProfile("no-such-recorder"));
  const auto names = recsim::ProfileNames();
  EXPECT_EQ(names.front(), recsim::StandardProfiles().front().Name);
  // The update profiles follow the standard ones; the configuration profiles come last.
  const std::size_t updates = recsim::StandardProfiles().size() + recsim::UpdateProfiles().size();
  ASSERT_GE(names.size(), updates);
  EXPECT_EQ(names[updates - 1], "corvane-51-2.1.158-h2.6-a");

  EXPECT_EQ(recsim::ParseFirmwareVersion("2.1.160"), 0x0201A000u);
  EXPECT_EQ(recsim::ParseFirmwareVersion("2.1.160.115"), 0x0201A073u);
  for (const char* bad : {"", "2.1", "2.1.256", "2.1.160.", "2.1.160.1.2", "v2.1.160", "2.1.160x"})
    EXPECT_FALSE(recsim::ParseFirmwareVersion(bad)) << bad;
}

}  // namespace
