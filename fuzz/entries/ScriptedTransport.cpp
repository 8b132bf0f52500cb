#include "ScriptedTransport.h"

#include <algorithm>
#include <deque>
#include <memory>

#include "FuzzBytes.h"

namespace fuzzing {

using namespace ModbusMaster;

ScriptedTransport::ReplySource ScriptedTransport::InOrder(std::vector<std::vector<std::uint8_t>> replies)
{
  auto queue = std::make_shared<std::deque<std::vector<std::uint8_t>>>(replies.begin(), replies.end());
  return [queue](const TBaseModbusMessage&) -> std::optional<std::vector<std::uint8_t>> {
    if (queue->empty()) return std::nullopt;
    std::vector<std::uint8_t> reply = std::move(queue->front());
    queue->pop_front();
    return reply;
  };
}

std::string ScriptedTransport::Description(std::uint8_t unit) const { return Format("scripted, unit %u", unit); }

void ScriptedTransport::Execute(std::uint8_t unit, TBaseModbusMessage& message)
{
  message.Request.SetUnit(unit);
  message.Attempts = 0;
  for (;;) {
    std::optional<std::vector<std::uint8_t>> pdu = source_(message);
    if (!pdu) throw EMBReplyTimeoutError(Description(unit), 0);
    int code = kTextNotModbus;
    if (!pdu->empty() && pdu->size() < kMaxAduBody) {
      TModbusAdu& reply = message.Reply;
      reply.SetTransactionId(message.Request.TransactionId());
      reply.SetProtocolId(0);
      reply.SetLength(static_cast<std::uint16_t>(pdu->size() + 1));
      reply.SetUnit(unit);
      std::copy(pdu->begin(), pdu->end(), reply.UnitPtr() + 1);
      if (CheckReplyFrame(unit, message) == ReplyVerdict::Accepted) return;
      code = kTextWrongReply;
    }
    if (++message.Attempts > message.MaxRetries)
      throw EMBCommError(Description(unit), code, {static_cast<std::uint32_t>(pdu->size())});
  }
}

std::vector<std::vector<std::uint8_t>> DecodeReplies(FuzzReader& in)
{
  std::vector<std::vector<std::uint8_t>> replies;
  while (!in.empty()) {
    auto bytes = in.take(in.u16());
    replies.emplace_back(bytes.begin(), bytes.end());
  }
  return replies;
}

void EncodeReplies(FuzzWriter& out, const std::vector<std::vector<std::uint8_t>>& replies)
{
  for (const auto& reply : replies) out.u16(static_cast<std::uint16_t>(reply.size())).append(reply);
}

}  // namespace fuzzing
