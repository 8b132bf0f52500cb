// reply_mbap: a reply to every command class over the Ethernet transport, TCP or UDP,
// through its real framing (MBAP header, length, transaction id) on loopback sockets.

#include <sys/socket.h>

#include <mutex>
#include <thread>

#include "FuzzBytes.h"
#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "modbus/CModbusEth.h"
#include "platform/Socket.h"

namespace fuzzing {
namespace {

using ModbusMaster::CModbusEth;

constexpr std::uint32_t kLoopback = 0x7F000001;

std::string UrlOf(const char* scheme, const Socket& socket)
{
  return std::string(scheme) + "://127.0.0.1:" + std::to_string(socket.LocalAddress().port);
}

// The peers of every run, made once: a TCP listener the run accepts from itself, and
// a UDP peer on a thread of its own that answers each datagram with the run's reply
// (the transport drops what is queued before it sends, so a reply sent ahead would be
// lost).
class LoopbackPeers {
public:
  static LoopbackPeers& Get()
  {
    // Never destroyed: the UDP thread serves until the process ends.
    static LoopbackPeers* peers = new LoopbackPeers;
    return *peers;
  }

  const std::string& TcpUrl() const { return tcpUrl_; }
  const std::string& UdpUrl() const { return udpUrl_; }
  Socket& Listener() { return listener_; }

  void SetUdpReply(std::span<const std::uint8_t> reply)
  {
    std::lock_guard lock(mutex_);
    udpReply_.assign(reply.begin(), reply.end());
  }

private:
  LoopbackPeers()
  {
    listener_ = Socket::Create(Socket::Type::Tcp);
    listener_.SetReuseAddress(true);
    listener_.Bind({kLoopback, 0});
    listener_.Listen();
    tcpUrl_ = UrlOf("mbtcp", listener_);
    udp_ = Socket::Create(Socket::Type::Udp);
    udp_.Bind({kLoopback, 0});
    udpUrl_ = UrlOf("mbudp", udp_);
    std::thread([this] { ServeUdp(); }).detach();
  }

  void ServeUdp()
  {
    std::vector<std::uint8_t> request(2048);
    std::vector<std::uint8_t> reply;
    for (;;) {
      if (udp_.Wait(WaitFor::Read, -1, nullptr) != WaitResult::Ready) continue;
      SocketAddress from;
      IoResult got = udp_.RecvFrom(request.data(), request.size(), &from);
      if (got.wouldBlock) continue;
      {
        std::lock_guard lock(mutex_);
        reply = udpReply_;
      }
      udp_.SendTo(reply.data(), reply.size(), from);
    }
  }

  Socket listener_;
  Socket udp_;
  std::string tcpUrl_, udpUrl_;
  std::mutex mutex_;
  std::vector<std::uint8_t> udpReply_;
};

// The reply as the fuzzer wrote it, with the fields the flags ask to be made right.
std::vector<std::uint8_t> ReplyFor(const MbapReplyCase& c, std::uint16_t transactionId)
{
  std::vector<std::uint8_t> reply = c.reply;
  if ((c.flags & MbapReplyCase::kFixTransaction) && reply.size() >= 2) {
    reply[0] = static_cast<std::uint8_t>(transactionId >> 8);
    reply[1] = static_cast<std::uint8_t>(transactionId);
  }
  if ((c.flags & MbapReplyCase::kFixLength) && reply.size() >= 6) {
    std::size_t length = reply.size() - 6;
    reply[4] = static_cast<std::uint8_t>(length >> 8);
    reply[5] = static_cast<std::uint8_t>(length);
  }
  if ((c.flags & MbapReplyCase::kFixUnit) && reply.size() >= 7) reply[6] = c.Unit();
  return reply;
}

bool RunTcp(const MbapReplyCase& c, FuzzCommand& command)
{
  LoopbackPeers& peers = LoopbackPeers::Get();
  CModbusEth transport;
  transport.SetParams(peers.TcpUrl());
  transport.Open();
  // Loopback completes the handshake in the kernel: the connection is waiting.
  Socket peer;
  while (!(peer = peers.Listener().Accept()).IsValid()) peers.Listener().Wait(WaitFor::Read, 1000, nullptr);
  auto reply = ReplyFor(c, static_cast<std::uint16_t>(transport.TransactionCounter()));
  for (std::size_t sent = 0; sent < reply.size();) {
    IoResult result = peer.Send(reply.data() + sent, reply.size() - sent);
    if (result.wouldBlock) peer.Wait(WaitFor::Write, 1000, nullptr);
    sent += result.bytes;
  }
  // The end of the stream ends a reply shorter than its header says at once.
  ::shutdown(peer.Fd(), SHUT_WR);
  bool accepted = RunFuzzCommand(transport, c.Unit(), command, 0);
  // The request is still unread: closing now resets the connection, so no port is
  // left waiting out a close.
  peer.Close();
  transport.Close();
  return accepted;
}

bool RunUdp(const MbapReplyCase& c, FuzzCommand& command)
{
  LoopbackPeers& peers = LoopbackPeers::Get();
  CModbusEth transport;
  transport.SetParams(peers.UdpUrl());
  peers.SetUdpReply(ReplyFor(c, static_cast<std::uint16_t>(transport.TransactionCounter())));
  return RunFuzzCommand(transport, c.Unit(), command, 0);
}

}  // namespace

MbapReplyCase MbapReplyCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  MbapReplyCase c;
  c.flags = in.u8();
  c.command = in.u8();
  for (auto& p : c.params) p = in.u8();
  auto reply = in.take(kMaxReply);
  c.reply.assign(reply.begin(), reply.end());
  return c;
}

std::vector<std::uint8_t> MbapReplyCase::Encode() const
{
  FuzzWriter out;
  out.u8(flags).u8(command);
  for (auto p : params) out.u8(p);
  return out.append(reply).bytes();
}

// Retries stay at 0 here: the Ethernet transport pauses a second between attempts,
// and its retry loop is the same for every reply (reply_rtu covers a serial one).
bool FuzzReplyMbap(std::span<const std::uint8_t> input)
{
  MbapReplyCase c = MbapReplyCase::Decode(input);
  auto command = MakeFuzzCommand(c.command, c.params);
  return (c.flags & MbapReplyCase::kUdp) ? RunUdp(c, *command) : RunTcp(c, *command);
}

}  // namespace fuzzing
