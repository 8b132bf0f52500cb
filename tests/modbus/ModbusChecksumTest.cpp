#include <gtest/gtest.h>

#include <string_view>

#include "modbus/ModbusChecksum.h"

using namespace ModbusMaster;

// Independent vectors: the published check value of CRC-16/MODBUS and a frame from
// the Modbus over serial line guide.
TEST(ModbusChecksum, KnownVectors)
{
  std::string_view check = "123456789";
  EXPECT_EQ(ModbusCRC16(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0x4B37);
  const std::uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
  EXPECT_EQ(ModbusCRC16(request, 6), 0xCDC5);  // C5 CD on the wire, low byte first
  EXPECT_TRUE(CheckRtuFrameCrc(request, 8));
  EXPECT_EQ(ModbusCRC16(request, 0), 0xFFFF);
}

TEST(ModbusChecksum, FrameCheck)
{
  std::uint8_t frame[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xCD, 0xC5};  // CRC bytes exchanged
  EXPECT_FALSE(CheckRtuFrameCrc(frame, 8));
  EXPECT_FALSE(CheckRtuFrameCrc(frame, 0));
  EXPECT_FALSE(CheckRtuFrameCrc(frame, 1));
}

TEST(ModbusChecksum, Lrc)
{
  const std::uint8_t bytes[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
  EXPECT_EQ(ModbusLRC(bytes, sizeof bytes), 0xF2);
  EXPECT_EQ(ModbusLRC(bytes, 0), 0x00);
}
