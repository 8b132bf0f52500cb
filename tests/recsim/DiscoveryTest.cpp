// The recorder's side of the Ethernet discovery against the vectors of
// tests/app/core/discovery_vectors.py (written apart from both ends' code).

#include <gtest/gtest.h>

#include "platform/Bytes.h"
#include "recsim/Device.h"
#include "recsim/Discovery.h"
#include "recsim/Profile.h"
#include "recsim/RecorderHandlers.h"
#include "support/Hex.h"

using namespace recsim;

TEST(Discovery, TheReplyAsTheVectorsHaveIt)
{
  DiscoveryState state;
  state.modelCode = 51;
  state.firmwareVersion = 0x0201A073;
  state.hardwareVersion = 0x02050000;
  state.stringA = "12345";
  state.stringB = "Pelkar-740-L7";
  EXPECT_EQ(EncodeDiscoveryReply(state, 0x12345678),
            Hex("01 00 00 00 3C 00 00 00 33 00 00 00 73 A0 01 02 00 00 05 02 F6 01 00 00 00 00 00 00 00 00 00 00 "
                "78 56 34 12 03 00 00 00 05 31 32 33 34 35 0D 50 65 6C 6B 61 72 2D 37 34 30 2D 4C 37"));
  state.modelCode = 21;
  state.sendA = state.sendB = false;
  EXPECT_EQ(EncodeDiscoveryReply(state, 0x12345678),
            Hex("01 00 00 00 28 00 00 00 15 00 00 00 73 A0 01 02 00 00 05 02 F6 01 00 00 00 00 00 00 00 00 00 00 "
                "78 56 34 12 00 00 00 00"));
}

TEST(Discovery, OnlyTheRequestIsAnswered)
{
  const auto request = Hex("01 00 00 00 18 00 00 00 15 00 00 00 FF A0 01 02 03 00 00 00 78 56 34 12");
  EXPECT_EQ(ReadDiscoveryRequest(request), 0x12345678u);
  auto longer = request;
  longer.push_back(0);
  EXPECT_FALSE(ReadDiscoveryRequest(longer));
  EXPECT_FALSE(ReadDiscoveryRequest(std::span(request).first(23)));
  auto other = request;
  other[8] = 22;
  EXPECT_FALSE(ReadDiscoveryRequest(other));
}

TEST(Discovery, TheProfileTellsWhoAnswersAndFaultsComeInTurn)
{
  Device device;
  const DeviceProfile profile = StandardProfile("pelkar-2.1.160");
  LoadProfile(device, profile);
  DiscoveryState& state = Discovery(device);
  EXPECT_EQ(state.modelCode, profile.ModelCode);
  EXPECT_EQ(state.firmwareVersion, profile.SwVersion);
  EXPECT_EQ(state.hardwareVersion, profile.HwVersion);
  EXPECT_EQ(state.stringB, profile.ProductCode);

  const auto tickOf = [](const std::vector<std::uint8_t>& reply) { return ByteReader(reply).u32(32); };
  EXPECT_EQ(tickOf(AnswerDiscovery(device, 100)), 100u);
  state.faults = {DiscoveryFault::StaleTick, DiscoveryFault::Silence, DiscoveryFault::Short};
  EXPECT_EQ(tickOf(AnswerDiscovery(device, 200)), 100u) << "the tick of the request before";
  EXPECT_TRUE(AnswerDiscovery(device, 300).empty());
  EXPECT_EQ(AnswerDiscovery(device, 400).size(), 39u);
  EXPECT_EQ(AnswerDiscovery(device, 500), EncodeDiscoveryReply(state, 500));
}
