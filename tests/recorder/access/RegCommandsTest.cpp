#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "recorder/access/RegCommands.h"
#include "support/RecorderLink.h"

using namespace Registrator;
using ModbusMaster::TBaseModbusMessage;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes RequestPdu(const TBaseModbusMessage& message)
{
  // The unit byte is not part of the PDU: the function and the data follow it.
  const std::uint8_t* pdu = message.Request.UnitPtr() + 1;
  return Bytes(pdu, pdu + message.Request.Length() - 1);
}

// Puts a reply's data (after the function) into the message as a transport would.
void SetReply(TBaseModbusMessage& message, const Bytes& data)
{
  message.Reply.SetUnit(1);
  message.Reply.SetFunction(message.Request.Function());
  std::memcpy(message.Reply.Data(), data.data(), data.size());
  message.Reply.SetLength(static_cast<std::uint16_t>(data.size() + 2));
}

TEST(RegCommands, RequestsAreTheRecordersPdus)
{
  struct Case {
    const char* name;
    Bytes pdu;
    Bytes expected;
  };
  const Case cases[] = {
      {"input registers 75-76", RequestPdu(ModbusMaster::TModbusCommand4(75, 2)), {0x04, 0x00, 0x4B, 0x00, 0x02}},
      {"identification", RequestPdu(ModbusMaster::TModbusCommand43ReadDeviceID()), {0x2B, 0x0E, 0x01, 0x00}},
      {"device information", RequestPdu(TModbusReadDeviceInfo()), {0x64, 0x01}},
      {"general information", RequestPdu(TModbusReadGeneralInfo()), {0x64, 0x00}},
      {"summary board", RequestPdu(TMBRegReadConfigCommand(127)), {0x65, 0x7F}},
      {"AMX chunk, old function", RequestPdu(TRegReadAMXConfigCommand(0x6B)), {0x6B, 0, 0, 0, 0}},
      {"AMX chunk", RequestPdu(TRegReadAMXConfigCommand(0x6F)), {0x6F, 0, 0, 0, 0}},
      {"mnemonic-scheme chunk", RequestPdu(TRegReadMSConfigCommand()), {0x69, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.pdu, c.expected);
  }
}

TEST(RegCommands, RegisterQuantityIsLimitedTo125)
{
  EXPECT_NO_THROW(ModbusMaster::TModbusCommand4(0, 125));
  EXPECT_THROW_MSG(ModbusMaster::TModbusCommand4(0, 126), Exception, "Invalid Quantity of Registers");
}

TEST(RegCommands, RegisterReplyMustCarryTheQuantity)
{
  struct Case {
    const char* name;
    Bytes data;
    bool accepted;
  };
  const Case cases[] = {
      {"two registers", {4, 0x00, 0x03, 0x12, 0x34}, true},
      {"byte count wrong", {3, 0x00, 0x03, 0x12, 0x34}, false},
      {"one register short", {4, 0x00, 0x03}, false},
      {"a byte extra", {4, 0x00, 0x03, 0x12, 0x34, 0x00}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ModbusMaster::TModbusCommand4 command(75, 2);
    SetReply(command, c.data);
    ASSERT_EQ(command.CheckReply(), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(command.Register(0), 0x0003);
      EXPECT_EQ(command.Register(1), 0x1234);
    }
  }
}

TEST(RegCommands, IdentificationObjectsAreReadOnlyInsideTheReply)
{
  const Bytes head = {0x0E, 0x01, 0x01, 0x00, 0x00};
  auto reply = [&](Bytes tail) {
    Bytes data = head;
    data.insert(data.end(), tail.begin(), tail.end());
    return data;
  };
  struct Case {
    const char* name;
    Bytes data;
    std::uint8_t id;
    const char* text;
    unsigned held;  // whole objects within the count and the reply
  };
  const Case cases[] = {
      {"first object", reply({2, 0, 2, 'A', 'B', 1, 1, 'C'}), 0, "AB", 2},
      {"second object", reply({2, 0, 2, 'A', 'B', 1, 1, 'C'}), 1, "C", 2},
      {"no such id", reply({2, 0, 2, 'A', 'B', 1, 1, 'C'}), 2, "", 2},
      {"first of two with one id", reply({2, 1, 1, 'X', 1, 1, 'Y'}), 1, "X", 2},
      {"empty text", reply({1, 0, 0}), 0, "", 1},
      {"list ends before the object", reply({3, 0, 1, 'A', 1, 1, 'B'}), 2, "", 2},
      {"header cut in half", reply({2, 0, 1, 'A', 1}), 1, "", 1},
      {"text runs past the reply", reply({2, 0, 1, 'A', 1, 5, 'B', 'C'}), 1, "", 1},
      {"objects beyond the count are not read", reply({1, 0, 1, 'A', 1, 1, 'B'}), 1, "", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ModbusMaster::TModbusCommand43ReadDeviceID command;
    SetReply(command, c.data);
    ASSERT_TRUE(command.CheckReply());
    EXPECT_EQ(GetDeviceIdObject(command, c.id), c.text);
    EXPECT_EQ(HeldDeviceIdObjects(command), c.held);
  }
  ModbusMaster::TModbusCommand43ReadDeviceID command;
  SetReply(command, head);
  EXPECT_FALSE(command.CheckReply());  // no object count
  EXPECT_EQ(GetDeviceIdObject(command, 0), "");
  EXPECT_EQ(HeldDeviceIdObjects(command), 0u);
}

TEST(RegCommands, ZeroByteInsideAnIdentificationTextIsKept)
{
  ModbusMaster::TModbusCommand43ReadDeviceID command;
  SetReply(command, {0x0E, 0x01, 0x01, 0x00, 0x00, 1, 0, 3, 'a', 0, 'b'});
  EXPECT_EQ(GetDeviceIdObject(command, 0), std::string("a\0b", 3));
}

TEST(RegCommands, ChunkReplyEchoesTheOffsetAndFitsItsCount)
{
  auto chunkReply = [](std::uint32_t offset, std::uint16_t count, std::size_t bytes) {
    Bytes data;
    ByteAppender out(data);
    out.u32(offset);
    out.u16(count);
    for (std::size_t i = 0; i < bytes; ++i) out.u8(static_cast<std::uint8_t>(i));
    return data;
  };
  struct Case {
    const char* name;
    Bytes data;
    bool accepted;
  };
  const Case cases[] = {
      {"full chunk", chunkReply(492, 246, 246), true},
      {"empty chunk", chunkReply(492, 0, 0), true},
      {"offset of another chunk", chunkReply(246, 10, 10), false},
      {"count above 246", chunkReply(492, 247, 247), false},
      {"count and length differ", chunkReply(492, 10, 11), false},
      {"no count", Bytes{0xEC, 0x01, 0x00, 0x00, 0x00}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegReadMSConfigCommand command;
    command.SetOffset(492);
    SetReply(command, c.data);
    EXPECT_EQ(command.CheckReply(), c.accepted);
  }
}

TEST(RegCommands, BlobHeaderComesFromTheFirstTwelveChunkBytes)
{
  TRegReadAMXConfigCommand command(0x6F);
  SetReply(command, {0, 0, 0, 0, 12, 0, 1, 9, 9, 9, 9, 9, 9, 9, 0x10, 0x20, 0x03, 0x00});
  ASSERT_TRUE(command.CheckReply());
  TRegAMXConfigHeader header = command.Header();
  EXPECT_EQ(header.Presence, 1);
  EXPECT_EQ(header.PayloadSize, 0x00032010u);

  SetReply(command, {0, 0, 0, 0, 11, 0, 1, 9, 9, 9, 9, 9, 9, 9, 0x10, 0x20, 0x03});
  ASSERT_TRUE(command.CheckReply());
  EXPECT_THROW(command.Header(), EByteRange);
}

TEST(RegCommands, AMXLimitIsCountedIn64Bits)
{
  struct Case {
    std::uint32_t payload;
    bool fits;
  };
  // 262,132 + 12 is the limit; a size near 2^32 must not wrap into a small total.
  const Case cases[] = {{262132, true}, {262133, false}, {0xFFFFFFF4u, false}, {0xFFFFFFFFu, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.payload);
    TRegAMXConfigHeader header;
    header.PayloadSize = c.payload;
    EXPECT_EQ(header.Fits(), c.fits);
  }
}

}  // namespace
