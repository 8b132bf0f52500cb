#include "modbus/MBCommand.h"

#include "platform/Exception.h"

namespace ModbusMaster {
namespace {

constexpr std::uint8_t kFunctionUpgrade = 0x68;
constexpr std::uint8_t kFunctionRecordFile = 0x69;
constexpr std::uint8_t kUpgradeChunk = 1;
constexpr std::uint8_t kUpgradeStart = 2;
// A record-file block carries at most 248 bytes; the check refuses 249 and above.
constexpr std::uint32_t kMaxFileBlock = 248;

}  // namespace

// --- record read ---------------------------------------------------------------

TModbusReadRecordCommand::TModbusReadRecordCommand(std::uint8_t function, std::int32_t baseNumber,
                                                   std::int32_t firstOffset, std::uint32_t count)
    : BaseNumber(baseNumber), FirstOffset(firstOffset), Count(count)
{
  if (count > kMaxPduData) throw Exception("Invalid record count");
  Request.SetFunction(function);
  for (std::uint32_t i = 0; i < count; ++i)
    Request.Data()[i] = static_cast<std::uint8_t>(baseNumber + firstOffset + static_cast<std::int32_t>(i));
  Request.SetLength(static_cast<std::uint16_t>(count + 2));
}

TModbusReadRecordCommand::~TModbusReadRecordCommand() = default;

bool TModbusReadRecordCommand::CheckReply()
{
  Results.clear();
  ByteReader reply = Reply.DataReader();
  std::size_t available = reply.size();
  if (available < 2 * std::size_t(Count)) return false;
  std::size_t pos = 0;
  for (std::uint32_t i = 0; i < Count; ++i) {
    if (pos + 2 > available) return false;
    std::int32_t expected = BaseNumber + FirstOffset + static_cast<std::int32_t>(i);
    if (reply.u8(pos) != expected) return false;
    std::size_t length = reply.u8(pos + 1);
    if (pos + 2 + length > available) return false;
    auto bytes = reply.span(pos + 2, length);
    Results.push_back({{bytes.begin(), bytes.end()}});
    pos += 2 + length;
  }
  return true;
}

// --- record-file block read ------------------------------------------------------

// Request data: type (0), bytes asked for (1), block position u16 (2).
TRegReadConfigRecordCommand::TRegReadConfigRecordCommand(std::uint8_t fileType)
{
  Request.SetFunction(kFunctionRecordFile);
  Request.Data()[0] = fileType;
  Request.SetLength(6);
}

TRegReadConfigRecordCommand::~TRegReadConfigRecordCommand() = default;

void TRegReadConfigRecordCommand::SetPosition(std::uint32_t position)
{
  if (position > 0xFFFF) throw Exception("Invalid position");
  PutU16LE(Request.UnitPtr(), 2, static_cast<std::uint16_t>(position));
}

bool TRegReadConfigRecordCommand::CheckReply()
{
  ByteReader reply = Reply.DataReader();
  if (reply.size() <= 3) return false;
  if (reply.u8(0) != Request.Data()[0] || reply.u16(2) != Position()) return false;
  std::uint32_t delivered = reply.u8(1);
  return delivered <= kMaxFileBlock && Reply.Length() == delivered + 6;
}

std::span<const std::uint8_t> TRegReadConfigRecordCommand::DeliveredData() const
{
  ByteReader reply = Reply.DataReader();
  if (reply.size() < 4) return {};
  std::size_t delivered = reply.u8(1);
  if (4 + delivered > reply.size()) return {};
  return reply.span(4, delivered);
}

std::uint32_t TRegReadConfigRecordCommand::SaveData(TStream& stream) const
{
  auto data = DeliveredData();
  stream.WriteBuffer(data.data(), data.size());
  return static_cast<std::uint32_t>(data.size());
}

// --- chunked blob read -------------------------------------------------------------

TRegReadConfigCommandBase::TRegReadConfigCommandBase(std::uint8_t function)
{
  Request.SetFunction(function);
  Request.SetLength(6);
}

TRegReadConfigCommandBase::~TRegReadConfigCommandBase() = default;

// --- firmware upload -----------------------------------------------------------------

// Request data: sub-function 1 (0), chunk offset u32 (1), chunk length u8 (5), bytes (6).
TUpgradeWriteCommand::TUpgradeWriteCommand()
{
  Request.SetFunction(kFunctionUpgrade);
  Request.Data()[0] = kUpgradeChunk;
  Request.SetLength(8);
}

TUpgradeWriteCommand::~TUpgradeWriteCommand() = default;

std::uint32_t TUpgradeWriteCommand::LoadChunk(std::uint32_t offset, TStream& stream)
{
  std::int64_t remaining = stream.GetSize() - stream.Position();
  std::uint32_t n = remaining > std::int64_t(kMaxChunk) ? kMaxChunk : remaining > 0 ? static_cast<std::uint32_t>(remaining) : 0;

  ChunkOffset = offset;
  ChunkLength = n;
  PutU32LE(Request.UnitPtr(), 1, offset);
  Request.Data()[5] = static_cast<std::uint8_t>(n);
  stream.ReadBuffer(Request.Data() + 6, n);
  Request.SetLength(static_cast<std::uint16_t>(n + 8));
  return n;
}

bool TUpgradeWriteCommand::CheckReply()
{
  Status = 0;
  if (Reply.Length() != 3) return false;
  Status = Reply.Data()[0];
  return true;
}

// Request data: sub-function 2 (0), image size u32 (1).
TUpgradeStartCommand::TUpgradeStartCommand(std::uint32_t imageSize) : ImageSize(imageSize)
{
  Request.SetFunction(kFunctionUpgrade);
  Request.Data()[0] = kUpgradeStart;
  PutU32LE(Request.UnitPtr(), 1, imageSize);
  Request.SetLength(7);
  ReplyTimeout = kInstallTimeoutMs;
}

TUpgradeStartCommand::~TUpgradeStartCommand() = default;

bool TUpgradeStartCommand::CheckReply()
{
  Status = 0;
  if (Reply.Length() != 3) return false;
  Status = Reply.Data()[0];
  return true;
}

}  // namespace ModbusMaster
