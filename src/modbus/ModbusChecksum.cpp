#include "modbus/ModbusChecksum.h"

#include <array>

namespace ModbusMaster {
namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable()
{
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t value = static_cast<std::uint16_t>(i);
    for (int step = 0; step < 8; ++step) value = (value & 1) ? (value >> 1) ^ 0xA001 : value >> 1;
    table[i] = value;
  }
  return table;
}

constexpr auto kCrcTable = MakeCrcTable();

}  // namespace

std::uint16_t ModbusCRC16Update(std::uint16_t crc, const std::uint8_t* bytes, std::size_t length)
{
  for (std::size_t i = 0; i < length; ++i) crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

bool CheckRtuFrameCrc(const std::uint8_t* frame, std::size_t length)
{
  return length > 1 && ModbusCRC16(frame, length) == 0;
}

std::uint8_t ModbusLRC(const std::uint8_t* bytes, std::size_t length)
{
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  return static_cast<std::uint8_t>(-sum);
}

}  // namespace ModbusMaster
