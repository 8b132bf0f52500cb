#include <gtest/gtest.h>

#include <vector>

#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "support/ModbusTestUtil.h"

using namespace ModbusMaster;

namespace {

// Puts a reply PDU (function first) into the message as a transport would.
void SetReply(TBaseModbusMessage& message, std::uint8_t unit, const std::vector<std::uint8_t>& pdu)
{
  message.Reply.SetUnit(unit);
  std::copy(pdu.begin(), pdu.end(), message.Reply.UnitPtr() + 1);
  message.Reply.SetLength(static_cast<std::uint16_t>(pdu.size() + 1));
}

std::vector<std::uint8_t> RequestPdu(const TBaseModbusMessage& message)
{
  const std::uint8_t* p = message.Request.UnitPtr() + 1;
  return {p, p + message.Request.Length() - 1};
}

}  // namespace

TEST(MBCommand, AccessorsAndPlainMessage)
{
  TBaseModbusMessage message;
  EXPECT_EQ(message.MaxRetries, 3u);
  EXPECT_EQ(message.ReplyTimeout, 0u);
  std::uint8_t* unit = message.Request.UnitPtr();
  PutU16LE(unit, 0, 0x1234);
  PutU16BE(unit, 2, 0x1234);
  PutU32LE(unit, 4, 0xA1B2C3D4);
  const std::uint8_t expected[] = {0x34, 0x12, 0x12, 0x34, 0xD4, 0xC3, 0xB2, 0xA1};
  EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), message.Request.Data()));
  EXPECT_EQ(GetU16LE(unit, 0), 0x1234);
  EXPECT_EQ(GetU16BE(unit, 2), 0x1234);

  // The base check takes any reply: the transport has matched unit and function.
  SetReply(message, 1, {0x6E});
  EXPECT_TRUE(message.CheckReply());
  SetReply(message, 1, std::vector<std::uint8_t>(300, 0x6E));
  EXPECT_TRUE(message.CheckReply());
}

TEST(MBCommand, RecordReadRequestAndReplies)
{
  TModbusReadRecordCommand command(0x65, 0x10, 2, 3);
  EXPECT_EQ(command.Request.Length(), 5);
  EXPECT_EQ(RequestPdu(command), (std::vector<std::uint8_t>{0x65, 0x12, 0x13, 0x14}));

  struct Row {
    const char* name;
    std::vector<std::uint8_t> pdu;
    bool accepted;
  } rows[] = {
      {"three records", {0x65, 0x12, 2, 0xA, 0xB, 0x13, 0, 0x14, 1, 0xC}, true},
      {"extra byte after the last record", {0x65, 0x12, 2, 0xA, 0xB, 0x13, 0, 0x14, 1, 0xC, 0xFF}, true},
      {"one record fewer", {0x65, 0x12, 2, 0xA, 0xB, 0x13, 1, 0xC}, false},
      {"record running past the reply", {0x65, 0x12, 2, 0xA, 0xB, 0x13, 0, 0x14, 2, 0xC}, false},
      {"wrong number", {0x65, 0x12, 0, 0x15, 0, 0x14, 0}, false},
      {"empty", {0x65}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SetReply(command, 1, row.pdu);
    EXPECT_EQ(command.CheckReply(), row.accepted);
  }
  SetReply(command, 1, rows[0].pdu);
  ASSERT_TRUE(command.CheckReply());
  ASSERT_EQ(command.Results.size(), 3u);
  EXPECT_EQ(command.Results[0].Data, (std::vector<std::uint8_t>{0xA, 0xB}));
  EXPECT_TRUE(command.Results[1].Data.empty());
  EXPECT_EQ(command.Results[2].Data, (std::vector<std::uint8_t>{0xC}));
  // A count the request cannot hold is refused rather than written past its end.
  EXPECT_THROW_MSG(TModbusReadRecordCommand(0x64, 0, 0, 1451), Exception, "Invalid record count");
  EXPECT_NO_THROW(TModbusReadRecordCommand(0x64, 0, 0, 1450));
  // Numbers are compared as full integers: record 256 never matches the byte 0.
  TModbusReadRecordCommand wrapped(0x64, 255, 0, 2);
  SetReply(wrapped, 1, {0x64, 0xFF, 0, 0x00, 0});
  EXPECT_FALSE(wrapped.CheckReply());
}

TEST(MBCommand, RecordFileBlock)
{
  TRegReadConfigRecordCommand command(3);
  EXPECT_EQ(RequestPdu(command), (std::vector<std::uint8_t>{0x69, 3, 0, 0, 0}));
  command.SetRequestedCount(248);
  command.SetPosition(0xFFFF);
  EXPECT_EQ(RequestPdu(command), (std::vector<std::uint8_t>{0x69, 3, 248, 0xFF, 0xFF}));
  EXPECT_THROW_MSG(command.SetPosition(0x10000), Exception, "Invalid position");
  command.SetPosition(0x0102);

  auto reply = [](std::uint8_t type, std::uint8_t n, std::uint16_t position, std::size_t bytes) {
    std::vector<std::uint8_t> pdu{0x69, type, n, static_cast<std::uint8_t>(position), static_cast<std::uint8_t>(position >> 8)};
    for (std::size_t i = 0; i < bytes; ++i) pdu.push_back(static_cast<std::uint8_t>(i));
    return pdu;
  };
  struct Row {
    const char* name;
    std::vector<std::uint8_t> pdu;
    bool accepted;
  } rows[] = {
      {"full block", reply(3, 248, 0x0102, 248), true},
      {"short block", reply(3, 7, 0x0102, 7), true},
      {"249 announced and delivered", reply(3, 249, 0x0102, 249), false},
      {"length not n + 6", reply(3, 7, 0x0102, 8), false},
      {"other type", reply(2, 7, 0x0102, 7), false},
      {"other position", reply(3, 7, 0x0103, 7), false},
      {"only three data bytes", {0x69, 3, 0, 2}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SetReply(command, 1, row.pdu);
    EXPECT_EQ(command.CheckReply(), row.accepted);
  }
  SetReply(command, 1, reply(3, 5, 0x0102, 5));
  ASSERT_TRUE(command.CheckReply());
  TMemoryStream out;
  EXPECT_EQ(command.SaveData(out), 5u);
  EXPECT_EQ(out.Data(), (std::vector<std::uint8_t>{0, 1, 2, 3, 4}));
}

TEST(MBCommand, LoadChunk)
{
  struct Row {
    const char* name;
    std::size_t imageSize;
    std::vector<std::uint32_t> chunks;
  } rows[] = {
      {"exactly 246", 246, {246, 0}},
      {"247", 247, {246, 1, 0}},
      {"empty", 0, {0}},
      {"500", 500, {246, 246, 8, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::uint8_t> image(row.imageSize);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
    TMemoryStream stream;
    FillStream(stream, image);
    TUpgradeWriteCommand command;
    std::uint32_t offset = 0;
    for (std::uint32_t expected : row.chunks) {
      ASSERT_EQ(command.LoadChunk(offset, stream), expected);
      EXPECT_EQ(command.ChunkLength, expected);
      EXPECT_EQ(command.ChunkOffset, offset);
      EXPECT_EQ(command.Request.Length(), expected + 8);
      auto pdu = RequestPdu(command);
      ASSERT_EQ(pdu.size(), expected + 7);
      EXPECT_EQ(pdu[0], 0x68);
      EXPECT_EQ(pdu[1], 1);
      EXPECT_EQ(pdu[2] | pdu[3] << 8 | pdu[4] << 16 | pdu[5] << 24, static_cast<int>(offset));
      EXPECT_EQ(pdu[6], expected);
      for (std::uint32_t i = 0; i < expected; ++i) ASSERT_EQ(pdu[7 + i], static_cast<std::uint8_t>((offset + i) * 7));
      offset += expected;
    }
  }
}

TEST(MBCommand, UpgradeReplies)
{
  TUpgradeStartCommand start(0x01020304);
  EXPECT_EQ(RequestPdu(start), (std::vector<std::uint8_t>{0x68, 2, 4, 3, 2, 1}));
  EXPECT_EQ(start.ReplyTimeout, 25000u);
  SetReply(start, 1, {0x68, 10});
  EXPECT_TRUE(start.CheckReply());
  EXPECT_EQ(start.Status, 10);
  SetReply(start, 1, {0x68, 10, 0});
  EXPECT_FALSE(start.CheckReply());
  EXPECT_EQ(start.Status, 0);  // a refused reply leaves no status behind

  TUpgradeWriteCommand chunk;
  SetReply(chunk, 1, {0x68, 3});
  EXPECT_TRUE(chunk.CheckReply());
  EXPECT_EQ(chunk.Status, 3);
  SetReply(chunk, 1, {0x68});
  EXPECT_FALSE(chunk.CheckReply());
  EXPECT_EQ(chunk.Status, 0);
}
