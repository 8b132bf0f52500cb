#include "modbus/ModbusMessage.h"

#include <algorithm>
#include <cstring>

namespace ModbusMaster {

std::size_t TModbusAdu::DataLength() const
{
  std::size_t length = Length();
  if (length < 2) return 0;
  return std::min(length - 2, kMaxPduData);
}

TBaseModbusMessage::~TBaseModbusMessage() = default;

bool TBaseModbusMessage::CheckReply() { return true; }

void TBaseModbusMessage::SetRequest(std::uint8_t function, std::span<const std::uint8_t> data)
{
  if (data.size() > kMaxPduData) throw EByteRange("request data", 0, data.size(), kMaxPduData);
  Request.SetFunction(function);
  if (!data.empty()) std::memcpy(Request.Data(), data.data(), data.size());
  Request.SetLength(static_cast<std::uint16_t>(data.size() + 2));
}

}  // namespace ModbusMaster
