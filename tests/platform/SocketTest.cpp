#include <gtest/gtest.h>

#include "platform/Event.h"
#include "platform/OSError.h"
#include "platform/Socket.h"
#include "platform/SysFault.h"

namespace {
constexpr std::uint32_t kLoopback = 0x7F000001;
}

TEST(Socket, IPv4Text)
{
  const struct {
    const char* text;
    std::uint32_t address;
  } accepted[] = {{"127.0.0.1", 0x7F000001}, {"255.255.255.255", 0xFFFFFFFF}, {"10.0.0.5", 0x0A000005}};
  for (const auto& row : accepted) {
    SCOPED_TRACE(row.text);
    std::uint32_t address = 0;
    EXPECT_TRUE(ParseIPv4(row.text, address));
    EXPECT_EQ(address, row.address);
    EXPECT_EQ(FormatIPv4(address), row.text);
  }
  // A refused text leaves the address as it was, not half parsed.
  const char* refused[] = {"256.0.0.1", "1.2.3", "1.2.3.4.5", "1.2.3.x", "", "1..2.3", "1.2.3.4 ", "1.2.3.0004"};
  for (const char* text : refused) {
    SCOPED_TRACE(text);
    std::uint32_t address = 0xA5A5A5A5;
    EXPECT_FALSE(ParseIPv4(text, address));
    EXPECT_EQ(address, 0xA5A5A5A5u);
  }
  std::uint32_t address = 0;
  EXPECT_EQ(ResolveIPv4("localhost", address), 0);
  EXPECT_EQ(address, kLoopback);
}

// The datagram side the Ethernet discovery uses: broadcast allowed, bound to port 0,
// replies with their sender, over-long datagrams marked.
TEST(Socket, Datagrams)
{
  Socket a = Socket::Create(Socket::Type::Udp);
  a.SetBroadcast(true);
  a.Bind({0, 0});
  Socket b = Socket::Create(Socket::Type::Udp);
  b.Bind({kLoopback, 0});
  SocketAddress to{kLoopback, b.LocalAddress().port};
  std::uint16_t fromPort = a.LocalAddress().port;

  EXPECT_TRUE(b.Recv(nullptr, 0).wouldBlock);
  a.SendTo("hello world", 11, to);
  ASSERT_EQ(b.Wait(WaitFor::Read, 5000, nullptr), WaitResult::Ready);
  char buffer[5];
  SocketAddress from;
  IoResult got = b.RecvFrom(buffer, sizeof buffer, &from);
  EXPECT_EQ(got.bytes, 5u);
  EXPECT_TRUE(got.truncated);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(from.port, fromPort);

  for (int i = 0; i < 3; ++i) a.SendTo("x", 1, to);
  ASSERT_EQ(b.Wait(WaitFor::Read, 5000, nullptr), WaitResult::Ready);
  // Loopback delivers at once, but give the last two their turn as well.
  std::size_t dropped = 0;
  for (int round = 0; round < 100 && dropped < 3; ++round) {
    dropped += b.DiscardPending();
    if (dropped < 3) b.Wait(WaitFor::Read, 50, nullptr);
  }
  EXPECT_EQ(dropped, 3u);
  EXPECT_TRUE(b.Recv(buffer, sizeof buffer).wouldBlock);
}

TEST(Socket, StreamWithCancel)
{
  Socket listener = Socket::Create(Socket::Type::Tcp);
  listener.Bind({kLoopback, 0});
  listener.Listen();
  EXPECT_FALSE(listener.Accept().IsValid());  // nobody waiting
  Socket client = Socket::Create(Socket::Type::Tcp);
  bool connected = client.Connect({kLoopback, listener.LocalAddress().port});
  if (!connected) ASSERT_EQ(client.Wait(WaitFor::Write, 5000, nullptr), WaitResult::Ready);
  EXPECT_EQ(client.PendingError(), 0);
  ASSERT_EQ(listener.Wait(WaitFor::Read, 5000, nullptr), WaitResult::Ready);
  SocketAddress peer;
  Socket server = listener.Accept(&peer);
  ASSERT_TRUE(server.IsValid());
  EXPECT_EQ(peer.address, kLoopback);

  // An interrupted send is resumed, not reported.
  InjectSysFault(SysCallId::Send, EINTR, 2);
  EXPECT_EQ(client.Send("abc", 3).bytes, 3u);
  ClearSysFaults();
  Event cancel;
  ASSERT_EQ(server.Wait(WaitFor::Read, 5000, &cancel), WaitResult::Ready);
  cancel.Set();
  EXPECT_EQ(server.Wait(WaitFor::Read, 5000, &cancel), WaitResult::Cancelled);
  char buffer[8];
  EXPECT_EQ(server.Recv(buffer, sizeof buffer).bytes, 3u);
  client.ShutdownBoth();
  client.Close();
  ASSERT_EQ(server.Wait(WaitFor::Read, 5000, nullptr), WaitResult::Ready);
  IoResult closed = server.Recv(buffer, sizeof buffer);
  EXPECT_EQ(closed.bytes, 0u);
  EXPECT_FALSE(closed.wouldBlock);
  // Sending to a closed peer fails with an error, never with SIGPIPE.
  EXPECT_THROW(
      {
        for (int i = 0; i < 100; ++i) server.Send("x", 1);
      },
      EOSError);
}
