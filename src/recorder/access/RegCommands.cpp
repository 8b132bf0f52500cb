#include "recorder/access/RegCommands.h"

#include "platform/Exception.h"

namespace ModbusMaster {

TModbusCommandReadRegisters::TModbusCommandReadRegisters(std::uint8_t function, std::uint16_t start,
                                                         std::uint16_t quantity)
{
  // 125 registers fill the 250 data bytes a standard reply may carry.
  if (quantity > kMaxQuantity) throw Exception("Invalid Quantity of Registers");
  Request.SetFunction(function);
  PutU16BE(Request.UnitPtr(), 0, start);
  PutU16BE(Request.UnitPtr(), 2, quantity);
  Request.SetLength(6);
}

bool TModbusCommandReadRegisters::CheckReply()
{
  std::uint32_t bytes = 2u * Quantity();
  return Reply.Length() == bytes + 3 && Reply.DataReader().u8(0) == bytes;
}

TModbusCommand43ReadDeviceID::TModbusCommand43ReadDeviceID()
{
  const std::uint8_t data[] = {kMeiReadDeviceId, kReadBasic, 0x00};
  SetRequest(kFunction, data);
}

bool TModbusCommand43ReadDeviceID::CheckReply() { return Reply.DataLength() >= 6; }

}  // namespace ModbusMaster

namespace {

// Walks the objects of an accepted reply in order, as far as the object count and the
// received bytes allow: an object whose header or text would end beyond the reply ends
// the walk. `visit` gets each whole object's id and text and returns true to stop.
template <typename Visit>
unsigned WalkDeviceIdObjects(const ModbusMaster::TModbusCommand43ReadDeviceID& command, Visit&& visit)
{
  ByteReader reply = command.Reply.DataReader();
  if (reply.size() < 6) return 0;
  std::size_t pos = 6;
  unsigned whole = 0;
  for (unsigned count = reply.u8(5); whole < count; ++whole) {
    if (pos + 2 > reply.size()) break;
    std::uint8_t objectId = reply.u8(pos);
    std::size_t length = reply.u8(pos + 1);
    if (pos + 2 + length > reply.size()) break;
    if (visit(objectId, reply.span(pos + 2, length))) return whole + 1;
    pos += 2 + length;
  }
  return whole;
}

}  // namespace

std::string GetDeviceIdObject(const ModbusMaster::TModbusCommand43ReadDeviceID& command, std::uint8_t id)
{
  std::string found;
  WalkDeviceIdObjects(command, [&](std::uint8_t objectId, std::span<const std::uint8_t> text) {
    if (objectId != id) return false;
    found.assign(text.begin(), text.end());
    return true;
  });
  return found;
}

unsigned HeldDeviceIdObjects(const ModbusMaster::TModbusCommand43ReadDeviceID& command)
{
  return WalkDeviceIdObjects(command, [](std::uint8_t, std::span<const std::uint8_t>) { return false; });
}
