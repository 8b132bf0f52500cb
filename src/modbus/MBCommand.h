#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "modbus/ModbusMessage.h"
#include "platform/Stream.h"

namespace ModbusMaster {

// One record's bytes; its number is implied by its place in the result list.
struct TModbusRecord {
  std::vector<std::uint8_t> Data;
};

// Reads numbered records (0x64 information, 0x65 and 0x6B configuration). Request:
// the record numbers, one byte each; reply: per record its number, its length and
// its bytes.
class TModbusReadRecordCommand : public TBaseModbusMessage {
public:
  TModbusReadRecordCommand(std::uint8_t function, std::int32_t baseNumber, std::int32_t firstOffset, std::uint32_t count);
  ~TModbusReadRecordCommand() override;
  bool CheckReply() override;

  std::int32_t BaseNumber;
  std::int32_t FirstOffset;
  std::uint32_t Count;
  std::vector<TModbusRecord> Results;
};

// Reads a record file block by block (0x69): type, bytes asked for, u16 block
// position; the reply echoes them and delivers the bytes.
class TRegReadConfigRecordCommand : public TBaseModbusMessage {
public:
  explicit TRegReadConfigRecordCommand(std::uint8_t fileType);
  ~TRegReadConfigRecordCommand() override;
  bool CheckReply() override;

  // Raises Exception "Invalid position" above 0xFFFF.
  void SetPosition(std::uint32_t position);
  std::uint16_t Position() const { return GetU16LE(Request.UnitPtr(), 2); }
  void SetRequestedCount(std::uint8_t count) { Request.Data()[1] = count; }
  std::uint8_t RequestedCount() const { return Request.Data()[1]; }

  // The bytes the last accepted reply delivered.
  std::span<const std::uint8_t> DeliveredData() const;
  // Writes them to the stream; returns their number.
  std::uint32_t SaveData(TStream& stream) const;
};

// Base of the chunked blob reads (0x69, 0x6B, 0x6F with a u32 offset); the recorder
// access layer's template supplies the chunk layout.
class TRegReadConfigCommandBase : public TBaseModbusMessage {
public:
  explicit TRegReadConfigCommandBase(std::uint8_t function);
  ~TRegReadConfigCommandBase() override;

  virtual std::uint32_t ChunkSize() const = 0;
  virtual const std::uint8_t* ChunkData() const = 0;

  void SetOffset(std::uint32_t offset) { PutU32LE(Request.UnitPtr(), 0, offset); }
  std::uint32_t Offset() const { return ByteReader({Request.Data(), 4}).u32(0); }
};

// One firmware chunk (0x68 sub-function 1): offset u32, length u8, the bytes.
class TUpgradeWriteCommand : public TBaseModbusMessage {
public:
  static constexpr std::uint32_t kMaxChunk = 246;

  TUpgradeWriteCommand();
  ~TUpgradeWriteCommand() override;
  bool CheckReply() override;

  // Takes the next chunk (at most 246 bytes) from the stream's position, advancing
  // it, for the image offset given; returns its length (0 at the end). A stream that
  // gives fewer bytes than it announced raises EReadError.
  std::uint32_t LoadChunk(std::uint32_t offset, TStream& stream);

  std::uint32_t ChunkOffset = 0;
  std::uint32_t ChunkLength = 0;
  std::uint8_t Status = 0;
};

// Tells the recorder to install the image it received (0x68 sub-function 2).
class TUpgradeStartCommand : public TBaseModbusMessage {
public:
  static constexpr std::uint32_t kInstallTimeoutMs = 25000;

  explicit TUpgradeStartCommand(std::uint32_t imageSize);
  ~TUpgradeStartCommand() override;
  bool CheckReply() override;

  std::uint32_t ImageSize;
  std::uint8_t Status = 0;
};

}  // namespace ModbusMaster
