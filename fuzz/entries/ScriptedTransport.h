#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FuzzBytes.h"
#include "modbus/CBaseModbus.h"

namespace fuzzing {

// A transport that answers each request with a reply from a source: the fuzzer's list
// of replies, or (for the seeds) the simulated recorder. It puts each reply behind the
// request's MBAP header and unit, as both real transports hand a reply over, and lets
// the shared reply check and the message's CheckReply judge it. A refused reply is one
// attempt; when the attempts are spent, or the source has no reply, it raises what a
// real transport raises.
class ScriptedTransport final : public ModbusMaster::CBaseModbus {
public:
  // The function code and data of the next reply to `message`'s request; nothing when
  // no reply comes.
  using ReplySource = std::function<std::optional<std::vector<std::uint8_t>>(const ModbusMaster::TBaseModbusMessage&)>;

  explicit ScriptedTransport(ReplySource source) : source_(std::move(source)) {}
  // The replies in order, whatever the requests.
  static ReplySource InOrder(std::vector<std::vector<std::uint8_t>> replies);

  bool IsOpen() const override { return true; }
  const char* ProtocolName() const override { return "scripted"; }
  std::string Description(std::uint8_t unit) const override;
  bool ResolveAddress(const std::string&, std::uint32_t&) override { return false; }
  void Execute(std::uint8_t unit, ModbusMaster::TBaseModbusMessage& message) override;

private:
  ReplySource source_;
};

// The replies of a case: each [length u16][function and data], to the end of the input.
std::vector<std::vector<std::uint8_t>> DecodeReplies(FuzzReader& in);
void EncodeReplies(FuzzWriter& out, const std::vector<std::vector<std::uint8_t>>& replies);

}  // namespace fuzzing
