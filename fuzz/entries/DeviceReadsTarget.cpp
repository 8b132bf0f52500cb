// device_reads: the identification and the two information reads of the recorder
// access layer, as the update workflow makes them, over a transport that answers each
// request with the next scripted reply.

#include <deque>

#include "FuzzBytes.h"
#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/info/RegInfo.h"

namespace fuzzing {
namespace {

using namespace ModbusMaster;

// Puts each reply behind the request's MBAP header and unit, as both real transports
// hand a reply over, and lets the shared reply check and the message's CheckReply
// judge it. A refused reply is an attempt; when the attempts are spent, or the script
// is, it raises what a real transport raises.
class ScriptedTransport final : public CBaseModbus {
public:
  explicit ScriptedTransport(std::deque<std::vector<std::uint8_t>> replies) : replies_(std::move(replies)) {}

  bool IsOpen() const override { return true; }
  const char* ProtocolName() const override { return "scripted"; }
  std::string Description(std::uint8_t unit) const override { return Format("scripted, unit %u", unit); }
  bool ResolveAddress(const std::string&, std::uint32_t&) override { return false; }

  void Execute(std::uint8_t unit, TBaseModbusMessage& message) override
  {
    message.Request.SetUnit(unit);
    message.Attempts = 0;
    for (;;) {
      if (replies_.empty()) throw EMBReplyTimeoutError(Description(unit), 0);
      std::vector<std::uint8_t> pdu = std::move(replies_.front());
      replies_.pop_front();
      int code = kTextNotModbus;
      if (!pdu.empty() && pdu.size() < kMaxAduBody) {
        TModbusAdu& reply = message.Reply;
        reply.SetTransactionId(message.Request.TransactionId());
        reply.SetProtocolId(0);
        reply.SetLength(static_cast<std::uint16_t>(pdu.size() + 1));
        reply.SetUnit(unit);
        std::copy(pdu.begin(), pdu.end(), reply.UnitPtr() + 1);
        if (CheckReplyFrame(unit, message) == ReplyVerdict::Accepted) return;
        code = kTextWrongReply;
      }
      if (++message.Attempts > message.MaxRetries) throw EMBCommError(Description(unit), code, {std::uint32_t(pdu.size())});
    }
  }

private:
  std::deque<std::vector<std::uint8_t>> replies_;
};

}  // namespace

DeviceReadsCase DeviceReadsCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  DeviceReadsCase c;
  while (!in.empty()) {
    auto bytes = in.take(in.u16());
    c.replies.emplace_back(bytes.begin(), bytes.end());
  }
  return c;
}

std::vector<std::uint8_t> DeviceReadsCase::Encode() const
{
  FuzzWriter out;
  for (const auto& reply : replies) out.u16(static_cast<std::uint16_t>(reply.size())).append(reply);
  return out.bytes();
}

bool FuzzDeviceReads(std::span<const std::uint8_t> input)
{
  DeviceReadsCase c = DeviceReadsCase::Decode(input);
  ScriptedTransport transport({c.replies.begin(), c.replies.end()});
  Registrator::TRegConfigOp operations;
  TRegInfo info;
  constexpr std::uint8_t kUnit = 1;
  // In the workflow's order; a refusal ends the update there.
  try {
    operations.Identify(transport, kUnit);
    operations.ReadDeviceInfo(transport, kUnit, &info);
    operations.ReadGeneralInfo(transport, kUnit, info);
  } catch (const Exception& e) {
    return Refused(e);
  }
  return true;
}

}  // namespace fuzzing
