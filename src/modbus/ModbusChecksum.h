#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ModbusMaster {

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final
// inversion. On the wire it follows the frame low byte first, so the CRC over the
// frame and its CRC together is 0.
std::uint16_t ModbusCRC16Update(std::uint16_t crc, const std::uint8_t* bytes, std::size_t length);
inline std::uint16_t ModbusCRC16(const std::uint8_t* bytes, std::size_t length)
{
  return ModbusCRC16Update(0xFFFF, bytes, length);
}
inline std::uint16_t ModbusCRC16(std::span<const std::uint8_t> bytes) { return ModbusCRC16(bytes.data(), bytes.size()); }

// True for a frame of at least two bytes whose trailing CRC (low byte first) matches.
bool CheckRtuFrameCrc(const std::uint8_t* frame, std::size_t length);

// Two's complement of the 8-bit sum (the ASCII framing's check; no transport uses it).
std::uint8_t ModbusLRC(const std::uint8_t* bytes, std::size_t length);

}  // namespace ModbusMaster
