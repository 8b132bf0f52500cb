#include "app/core/EthDiscovery.h"

#include <array>
#include <chrono>
#include <cstdlib>

#include "platform/Bytes.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t kMagic = 1;
constexpr std::uint32_t kRequestKind = 21;
constexpr std::uint32_t kRequestVersion = 0x0201A0FF;
constexpr std::uint32_t kRequestTail = 3;

constexpr std::uint8_t kFlagStringA = 0x01;
constexpr std::uint8_t kFlagStringB = 0x02;

std::uint32_t MonotonicTick()
{
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The string at `pos` (u8 length, then the bytes); false when it runs past the end.
bool ReadString(const ByteReader& reader, std::size_t& pos, std::string& text)
{
  if (pos >= reader.size()) return false;
  const std::size_t length = reader.u8(pos);
  if (length > reader.size() - pos - 1) return false;
  const auto bytes = reader.span(pos + 1, length);
  text = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  pos += 1 + length;
  return true;
}

bool ParsePort(std::string_view text, std::uint16_t& port)
{
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

std::vector<std::uint8_t> BuildDiscoveryRequest(std::uint32_t tick)
{
  std::vector<std::uint8_t> request(kDiscoveryRequestSize);
  ByteWriter out(request, "discovery request");
  out.u32(0, kMagic);
  out.u32(4, kDiscoveryRequestSize);
  out.u32(8, kRequestKind);
  out.u32(12, kRequestVersion);
  out.u32(16, kRequestTail);
  out.u32(20, tick);
  return request;
}

std::optional<DiscoveryReply> ParseDiscoveryReply(std::span<const std::uint8_t> datagram, std::uint32_t requestTick)
{
  if (datagram.size() < kDiscoveryReplyHeaderSize) return std::nullopt;
  const ByteReader in(datagram, "discovery reply");
  if (in.u32(0) != kMagic || in.u32(4) < kDiscoveryReplyHeaderSize) return std::nullopt;
  DiscoveryReply reply;
  reply.ModelCode = in.u32(8);
  reply.Version1 = in.u32(12);
  reply.Version2 = in.u32(16);
  reply.ReplyValue = in.u16(20);
  if (!IsRecorderTypeCode(reply.ModelCode) || reply.Version1 == 0 || in.u32(32) != requestTick) return std::nullopt;
  const std::uint8_t flags = in.u8(36);
  std::size_t pos = kDiscoveryReplyHeaderSize;
  if ((flags & kFlagStringA) && !ReadString(in, pos, reply.StringA)) return std::nullopt;
  if ((flags & kFlagStringB) && !ReadString(in, pos, reply.StringB)) return std::nullopt;
  return reply;
}

std::string DescribeDiscoveryReply(const DiscoveryReply& reply)
{
  std::string description = reply.StringB;
  if (!reply.StringA.empty()) {
    if (!description.empty()) description += " / ";
    description += reply.StringA;
  }
  if (!description.empty()) description += " / ";
  return description + Format("v%s / %s", VersionToText(reply.Version1), VersionToText(reply.Version2));
}

DiscoveryTarget DiscoveryTarget::Parse(std::string_view text)
{
  DiscoveryTarget target;
  const std::size_t colon = text.find(':');
  std::uint32_t address = 0;
  std::uint16_t port = kDiscoveryPort;
  const bool good = ParseIPv4(std::string(text.substr(0, colon)), address) &&
                    (colon == std::string_view::npos || ParsePort(text.substr(colon + 1), port));
  if (good) {
    target.Endpoint = {address, port};
  } else {
    target.Error = Format("%s=\"%s\" is not an IPv4 address with an optional port, such as 127.0.0.1:40000",
                          kDiscoveryTargetVariable, std::string(text));
  }
  return target;
}

DiscoveryTarget DiscoveryTarget::FromEnvironment()
{
  const char* text = std::getenv(kDiscoveryTargetVariable);
  if (!text || !*text) return {};
  return Parse(text);
}

EthDiscovery::EthDiscovery(DiscoveryTarget target, TickSource tick)
    : target_(std::move(target)), tickSource_(tick ? std::move(tick) : TickSource(MonotonicTick))
{
}

void EthDiscovery::Scan()
{
  if (!target_.Error.empty()) throw Exception(target_.Error);
  if (!socket_.IsValid()) {
    Socket socket = Socket::Create(Socket::Type::Udp);
    socket.SetBroadcast(true);
    socket.Bind({0, 0});
    socket_ = std::move(socket);
  }
  std::uint32_t tick = tickSource_();
  // Scans within one millisecond must still tell their answers apart: the tick never
  // goes back to one an earlier scan used (it wraps after 49 days, as the counter does).
  if (sent_ && static_cast<std::int32_t>(tick - tick_) <= 0) tick = tick_ + 1;
  tick_ = tick;
  sent_ = true;
  const std::vector<std::uint8_t> request = BuildDiscoveryRequest(tick_);
  socket_.SendTo(request.data(), request.size(), target_.Endpoint);
}

std::vector<DiscoveryRow> EthDiscovery::ReadReplies()
{
  std::vector<DiscoveryRow> added;
  if (!socket_.IsValid()) return added;
  std::array<std::uint8_t, kMaxDiscoveryDatagram> datagram;
  for (;;) {
    IoResult got;
    SocketAddress from;
    try {
      got = socket_.RecvFrom(datagram.data(), datagram.size(), &from);
    } catch (const Exception&) {
      break;
    }
    if (got.wouldBlock) break;
    // A longer datagram was cut to the buffer: a string announced past the cut is past
    // the end of what was read, and drops the reply.
    const auto reply = ParseDiscoveryReply(std::span(datagram.data(), got.bytes), tick_);
    if (!sent_ || !reply) continue;
    DiscoveryRow row;
    row.Item.Address = FormatIPv4(from.address);
    row.Item.ReplyValue = reply->ReplyValue;
    row.Item.Flag = 1;
    row.Item.Name = reply->StringB.empty() ? reply->StringA : reply->StringB;
    row.Description = DescribeDiscoveryReply(*reply);
    rows_.push_back(row);
    added.push_back(std::move(row));
  }
  return added;
}
