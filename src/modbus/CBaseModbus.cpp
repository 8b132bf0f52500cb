#include "modbus/CBaseModbus.h"

#include "platform/OSError.h"

namespace ModbusMaster {

Event CBaseModbus::MakeCancelEvent()
{
  try {
    return Event(Event::Mode::ManualReset);
  } catch (const EOSError& e) {
    // Without its cancel event a transport could not be stopped by the user: refuse
    // to exist rather than run without it.
    throw EMBSysError(std::string(), kTextConnectError, e.Code());
  }
}

CBaseModbus::CBaseModbus() : cancelEvent_(MakeCancelEvent()) {}

CBaseModbus::~CBaseModbus() = default;

void CBaseModbus::Open() {}

void CBaseModbus::Close() {}

bool CBaseModbus::Disconnect() { return false; }

CBaseModbus::ReplyVerdict CBaseModbus::CheckReplyFrame(std::uint8_t unit, TBaseModbusMessage& message) const
{
  const TModbusAdu& reply = message.Reply;
  std::uint8_t function = message.Request.Function();
  if (reply.Unit() != unit) return ReplyVerdict::Wrong;
  if (reply.Function() == (function | 0x80) && reply.Length() == 3)
    throw EMBServerException(Description(unit), reply.Data()[0]);
  if (reply.Function() != function) return ReplyVerdict::Wrong;
  return message.CheckReply() ? ReplyVerdict::Accepted : ReplyVerdict::Wrong;
}

}  // namespace ModbusMaster
