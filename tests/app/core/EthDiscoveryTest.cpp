// The Ethernet discovery: its datagrams against the vectors of discovery_vectors.py, and
// scans against the simulated recorder on loopback (127.0.0.1 or 127.255.255.255, on a
// port of the test's own: nothing here sends anywhere else).

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/core/EthDiscovery.h"
#include "platform/Exception.h"
#include "platform/Wait.h"
#include "recsim/Device.h"
#include "recsim/Discovery.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"
#include "support/DiscoveryRecorder.h"
#include "support/ExpectThrowMsg.h"
#include "support/Hex.h"
#include "support/ScopedEnv.h"

namespace {

constexpr std::uint32_t kTick = 0x12345678;

// From discovery_vectors.txt.
const char kRequest[] = "01 00 00 00 18 00 00 00 15 00 00 00 FF A0 01 02 03 00 00 00 78 56 34 12";
const char kReplyPlain[] =
    "01 00 00 00 28 00 00 00 15 00 00 00 73 A0 01 02 00 00 05 02 F6 01 00 00 00 00 00 00 00 00 00 00 78 56 34 12 "
    "00 00 00 00";
const char kReplyBoth[] =
    "01 00 00 00 3C 00 00 00 33 00 00 00 73 A0 01 02 00 00 05 02 F6 01 00 00 00 00 00 00 00 00 00 00 78 56 34 12 "
    "03 00 00 00 05 31 32 33 34 35 0D 50 65 6C 6B 61 72 2D 37 34 30 2D 4C 37";
const char kReplyOnlyA[] =
    "01 00 00 00 2E 00 00 00 01 00 00 00 73 A0 01 02 00 00 05 02 07 00 00 00 00 00 00 00 00 00 00 00 78 56 34 12 "
    "01 00 00 00 05 31 32 33 34 35";
const char kReplyCyrillicB[] =
    "01 00 00 00 33 00 00 00 08 00 00 00 73 A0 01 02 00 00 05 02 00 00 00 00 00 00 00 00 00 00 00 00 78 56 34 12 "
    "03 00 00 00 00 09 CA EE F2 E5 EB FC ED E0 FF";
const char kReplyPastEnd[] =
    "01 00 00 00 3C 00 00 00 15 00 00 00 73 A0 01 02 00 00 05 02 F6 01 00 00 00 00 00 00 00 00 00 00 78 56 34 12 "
    "03 00 00 00 1E 31 32 33 34 35 0D 50 65 6C 6B 61 72 2D 37 34 30 2D 4C 37";

std::vector<std::uint8_t> With(std::vector<std::uint8_t> bytes, std::size_t offset, std::uint8_t value)
{
  bytes.at(offset) = value;
  return bytes;
}

}  // namespace

TEST(EthDiscoveryCodec, TheRequestCarriesTheTick)
{
  EXPECT_EQ(BuildDiscoveryRequest(kTick), Hex(kRequest));
}

TEST(EthDiscoveryCodec, RepliesAndTheRowsTheyGive)
{
  const auto plain = Hex(kReplyPlain);
  struct Row {
    const char* name;
    std::vector<std::uint8_t> datagram;
    const char* description;  // nullptr: ignored
    const char* itemName = "";
  } rows[] = {
      {"40 bytes, flags 0", plain, "v2.1.160.115 / 2.5.0.0"},
      {"both strings", Hex(kReplyBoth), "Pelkar-740-L7 / 12345 / v2.1.160.115 / 2.5.0.0", "Pelkar-740-L7"},
      {"string A only", Hex(kReplyOnlyA), "12345 / v2.1.160.115 / 2.5.0.0", "12345"},
      {"string B in code page 1251, string A empty", Hex(kReplyCyrillicB), "Котельная / v2.1.160.115 / 2.5.0.0",
       "Котельная"},
      {"string A past the end though string B would fit", Hex(kReplyPastEnd), nullptr},
      {"39 bytes", std::vector<std::uint8_t>(plain.begin(), plain.end() - 1), nullptr},
      {"first field not 1", With(plain, 0, 2), nullptr},
      {"length field 39", With(plain, 4, 39), nullptr},
      {"model code 22, no recorder", With(plain, 8, 22), nullptr},
      {"model code 50", With(plain, 8, 50), "v2.1.160.115 / 2.5.0.0"},
      {"first version 0", With(With(With(With(plain, 12, 0), 13, 0), 14, 0), 15, 0), nullptr},
      {"second version 0", With(With(plain, 18, 0), 19, 0), "v2.1.160.115 / 0.0.0.0"},
      {"an older request's tick", With(plain, 32, 0x77), nullptr},
      {"flag for string A, no byte left for its length", With(plain, 36, 1), nullptr},
      {"bytes after the strings", [&] { auto b = Hex(kReplyBoth); b.resize(200, 0xA5); return b; }(),
       "Pelkar-740-L7 / 12345 / v2.1.160.115 / 2.5.0.0", "Pelkar-740-L7"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<DiscoveryReply> reply = ParseDiscoveryReply(row.datagram, kTick);
    if (!row.description) {
      EXPECT_FALSE(reply.has_value());
      continue;
    }
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(DescribeDiscoveryReply(*reply), row.description);
    EXPECT_EQ(reply->StringB.empty() ? reply->StringA : reply->StringB, row.itemName);
  }
  EXPECT_EQ(ParseDiscoveryReply(plain, kTick)->ReplyValue, 502);
}

TEST(DiscoveryTarget, TheSettingNamesAnAddressAndAPort)
{
  struct Row {
    const char* text;
    std::uint32_t address;
    std::uint16_t port;
    bool understood;
  } rows[] = {
      {"127.0.0.1:40000", 0x7F000001, 40000, true},
      {"127.255.255.255", 0x7FFFFFFF, 2363, true},
      {"127.0.0.1:0", 0, 0, false},
      {"127.0.0.1:65536", 0, 0, false},
      {"127.0.0.1:", 0, 0, false},
      {"localhost:40000", 0, 0, false},
      {"127.0.0.1:40000x", 0, 0, false},
      {"", 0, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const DiscoveryTarget target = DiscoveryTarget::Parse(row.text);
    EXPECT_EQ(target.Error.empty(), row.understood) << target.Error;
    if (row.understood) {
      EXPECT_EQ(target.Endpoint, (SocketAddress{row.address, row.port}));
    }
  }
}

TEST(DiscoveryTarget, FromTheEnvironmentOrTheBroadcastAddress)
{
  {
    ScopedEnv unset(kDiscoveryTargetVariable, nullptr);
    const DiscoveryTarget target = DiscoveryTarget::FromEnvironment();
    EXPECT_EQ(target.Endpoint, (SocketAddress{0xFFFFFFFF, 2363}));
    EXPECT_TRUE(target.Error.empty());
  }
  {
    ScopedEnv set(kDiscoveryTargetVariable, "127.0.0.1:40001");
    EXPECT_EQ(DiscoveryTarget::FromEnvironment().Endpoint, (SocketAddress{0x7F000001, 40001}));
  }
  {
    // Misspelt, it must not fall back to the broadcast address: nothing is sent at all.
    ScopedEnv set(kDiscoveryTargetVariable, "127.0.0.l");
    EthDiscovery discovery(DiscoveryTarget::FromEnvironment());
    EXPECT_THROW_MSG(discovery.Scan(), Exception,
                     "KESTREL_DISCOVERY_TARGET=\"127.0.0.l\" is not an IPv4 address with an optional port, such as "
                     "127.0.0.1:40000");
    EXPECT_EQ(discovery.SocketFd(), -1);
  }
}

namespace {

// The simulated recorder answering the discovery on loopback, its answer set to known
// values (those of the vectors).
class DiscoveryScan : public ::testing::Test {
protected:
  DiscoveryScan()
  {
    port_ = ListenAsTheVectorsRecorder(server);
    server.Start();
  }

  DiscoveryTarget Target(std::uint32_t address = 0x7F000001) const
  {
    DiscoveryTarget target;
    target.Endpoint = {address, port_};
    return target;
  }

  void Fault(recsim::DiscoveryFault fault)
  {
    server.WithDevice([fault](recsim::Device& device) { recsim::Discovery(device).faults.push_back(fault); });
  }

  // Reads the replies until `count` rows are listed; false after the deadline.
  static bool WaitRows(EthDiscovery& discovery, std::size_t count)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (discovery.Rows().size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      WaitFd(discovery.SocketFd(), WaitFor::Read, static_cast<int>(left.count()), nullptr);
      discovery.ReadReplies();
    }
    return true;
  }

  recsim::Server server;

private:
  std::uint16_t port_ = 0;
};

std::vector<std::string> Descriptions(const EthDiscovery& discovery)
{
  std::vector<std::string> texts;
  for (const DiscoveryRow& row : discovery.Rows()) texts.push_back(row.Description);
  return texts;
}

}  // namespace

TEST_F(DiscoveryScan, TwoScansListTheRecorderTwice)
{
  EthDiscovery discovery(Target(), [] { return kTick; });
  discovery.Scan();
  ASSERT_TRUE(WaitRows(discovery, 1));
  const std::vector<recsim::LogEntry> log = server.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].link, recsim::Link::Discovery);
  EXPECT_EQ(log[0].data, Hex(kRequest));

  discovery.Scan();
  ASSERT_TRUE(WaitRows(discovery, 2));
  // The clock has not moved: every scan still has a tick of its own, never an earlier one.
  EXPECT_EQ(discovery.RequestTick(), kTick + 1);
  discovery.Scan();
  ASSERT_TRUE(WaitRows(discovery, 3));
  EXPECT_EQ(discovery.RequestTick(), kTick + 2);
  const EthScanResultItem expected{"127.0.0.1", 502, 1, "Pelkar-740-L7"};
  for (const DiscoveryRow& row : discovery.Rows()) {
    EXPECT_EQ(row.Item, expected);
    EXPECT_EQ(row.Description, "Pelkar-740-L7 / 12345 / v2.1.160.115 / 2.5.0.0");
  }
}

TEST_F(DiscoveryScan, TheLoopbackBroadcastReachesTheRecorder)
{
  EthDiscovery discovery(Target(0x7FFFFFFF));
  discovery.Scan();
  ASSERT_TRUE(WaitRows(discovery, 1));
  EXPECT_EQ(discovery.Rows()[0].Item.Address, "127.0.0.1");
}

TEST_F(DiscoveryScan, AReplyWithoutStringsIsDescribedByItsVersions)
{
  server.WithDevice([](recsim::Device& device) {
    recsim::Discovery(device).sendA = false;
    recsim::Discovery(device).sendB = false;
  });
  EthDiscovery discovery(Target());
  discovery.Scan();
  ASSERT_TRUE(WaitRows(discovery, 1));
  EXPECT_EQ(Descriptions(discovery), std::vector<std::string>{"v2.1.160.115 / 2.5.0.0"});
  EXPECT_EQ(discovery.Rows()[0].Item.Name, "");
}

// Each faulty answer is read once the recorder has sent it (on loopback it is then
// queued already), before any other scan.
TEST_F(DiscoveryScan, FaultyRepliesAreIgnored)
{
  using recsim::DiscoveryFault;
  const struct {
    const char* name;
    DiscoveryFault fault;
    std::size_t rows;
  } cases[] = {
      {"an older request's tick", DiscoveryFault::StaleTick, 0},
      {"not a recorder", DiscoveryFault::NotARecorder, 0},
      {"a string past the end", DiscoveryFault::StringPastEnd, 0},
      {"39 bytes", DiscoveryFault::Short, 0},
      {"first field not 1", DiscoveryFault::BadMagic, 0},
      {"length field below 40", DiscoveryFault::ShortLength, 0},
      {"no firmware version", DiscoveryFault::NoVersion, 0},
      // Read as far as 1500 bytes: its strings lie well within them.
      {"1600 bytes", DiscoveryFault::Oversize, 1},
  };
  EthDiscovery discovery(Target());
  std::size_t replies = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    discovery.ClearRows();
    discovery.Scan();  // an answer to this one is what the stale answer must not pass for
    ASSERT_TRUE(server.WaitForReplies(++replies, 10000));
    discovery.ReadReplies();
    ASSERT_EQ(discovery.Rows().size(), 1u);
    Fault(c.fault);
    discovery.Scan();
    ASSERT_TRUE(server.WaitForReplies(++replies, 10000));
    EXPECT_EQ(discovery.ReadReplies().size(), c.rows);
  }
}
