#include "recsim/Discovery.h"

#include <algorithm>

#include "platform/Bytes.h"
#include "platform/Format.h"
#include "recsim/Device.h"

namespace recsim {
namespace {

constexpr std::uint32_t kMagic = 1;
constexpr std::uint32_t kRequestLength = 24;
constexpr std::uint32_t kRequestKind = 21;
constexpr std::size_t kHead = 40;
constexpr std::uint32_t kForeignModel = 22;
constexpr std::size_t kOversize = 1600;

void AppendString(ByteAppender& out, const std::string& text)
{
  out.u8(static_cast<std::uint8_t>(text.size()));
  out.bytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace

DiscoveryState& Discovery(Device& device) { return device.Extension<DiscoveryState>(); }

void LoadDiscovery(Device& device, const DeviceProfile& profile)
{
  DiscoveryState& state = Discovery(device);
  state.modelCode = profile.ModelCode;
  state.firmwareVersion = profile.SwVersion;
  state.hardwareVersion = profile.HwVersion;
  state.stringA = Format("%u", profile.SerialNumber);
  state.stringB = profile.ProductCode;
}

std::optional<std::uint32_t> ReadDiscoveryRequest(std::span<const std::uint8_t> datagram)
{
  if (datagram.size() != kRequestLength) return std::nullopt;
  const ByteReader in(datagram, "discovery request");
  if (in.u32(0) != kMagic || in.u32(4) != kRequestLength || in.u32(8) != kRequestKind) return std::nullopt;
  return in.u32(20);
}

std::vector<std::uint8_t> EncodeDiscoveryReply(const DiscoveryState& state, std::uint32_t tick)
{
  std::vector<std::uint8_t> reply;
  ByteAppender out(reply);
  out.u32(kMagic);
  out.u32(0);  // the length, once known
  out.u32(state.modelCode);
  out.u32(state.firmwareVersion);
  out.u32(state.hardwareVersion);
  out.u16(state.replyValue);
  for (int i = 0; i < 10; ++i) out.u8(0);
  out.u32(tick);
  out.u8(static_cast<std::uint8_t>((state.sendA ? 1 : 0) | (state.sendB ? 2 : 0)));
  for (int i = 0; i < 3; ++i) out.u8(0);
  if (state.sendA) AppendString(out, state.stringA);
  if (state.sendB) AppendString(out, state.stringB);
  ByteWriter(reply).u32(4, static_cast<std::uint32_t>(reply.size()));
  return reply;
}

std::vector<std::uint8_t> AnswerDiscovery(Device& device, std::uint32_t tick)
{
  DiscoveryState& state = Discovery(device);
  const std::optional<std::uint32_t> before = state.lastTick;
  state.lastTick = tick;
  std::optional<DiscoveryFault> fault;
  if (!state.faults.empty()) {
    fault = state.faults.front();
    state.faults.pop_front();
  }
  DiscoveryState shaped = state;
  if (fault == DiscoveryFault::NotARecorder) shaped.modelCode = kForeignModel;
  if (fault == DiscoveryFault::NoVersion) shaped.firmwareVersion = 0;
  if (fault == DiscoveryFault::StringPastEnd) {
    shaped.sendA = true;
    shaped.sendB = true;
  }
  const std::uint32_t echoed = fault == DiscoveryFault::StaleTick ? before.value_or(tick - 1) : tick;
  std::vector<std::uint8_t> reply = EncodeDiscoveryReply(shaped, echoed);
  if (!fault) return reply;
  ByteWriter out(reply);
  switch (*fault) {
    case DiscoveryFault::Silence: return {};
    case DiscoveryFault::Short: reply.resize(kHead - 1); break;
    case DiscoveryFault::BadMagic: out.u32(0, 2); break;
    case DiscoveryFault::ShortLength: out.u32(4, kHead - 1); break;
    case DiscoveryFault::StringPastEnd: {
      // String B follows whole; string A's length alone runs past the end.
      const std::size_t remaining = reply.size() - kHead - 1;
      out.u8(kHead, static_cast<std::uint8_t>(std::min<std::size_t>(255, remaining + 200)));
      break;
    }
    case DiscoveryFault::Oversize: reply.resize(kOversize, 0xA5); break;
    case DiscoveryFault::NotARecorder:
    case DiscoveryFault::NoVersion:
    case DiscoveryFault::StaleTick: break;
  }
  return reply;
}

}  // namespace recsim
