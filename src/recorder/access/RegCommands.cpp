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

std::string GetDeviceIdObject(const ModbusMaster::TModbusCommand43ReadDeviceID& command, std::uint8_t id)
{
  ByteReader reply = command.Reply.DataReader();
  if (reply.size() < 6) return {};
  std::size_t pos = 6;
  for (unsigned i = 0, count = reply.u8(5); i < count; ++i) {
    if (pos + 2 > reply.size()) break;
    std::uint8_t objectId = reply.u8(pos);
    std::size_t length = reply.u8(pos + 1);
    if (pos + 2 + length > reply.size()) break;
    if (objectId == id) {
      auto text = reply.span(pos + 2, length);
      return {text.begin(), text.end()};
    }
    pos += 2 + length;
  }
  return {};
}
