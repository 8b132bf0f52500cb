#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "modbus/MBCommand.h"
#include "modbus/ModbusMessage.h"
#include "platform/Bytes.h"

// The recorder's own commands on top of the Modbus master's messages: identification,
// input registers, information and configuration records, and the chunked blob reads.

namespace ModbusMaster {

// Reads `quantity` 16-bit registers from `start` with a standard function (0x03 or
// 0x04); the values are big-endian as in every standard function.
class TModbusCommandReadRegisters : public TBaseModbusMessage {
public:
  static constexpr std::uint16_t kMaxQuantity = 125;

  // Raises Exception "Invalid Quantity of Registers" above 125.
  TModbusCommandReadRegisters(std::uint8_t function, std::uint16_t start, std::uint16_t quantity);
  bool CheckReply() override;

  std::uint16_t Start() const { return GetU16BE(Request.UnitPtr(), 0); }
  std::uint16_t Quantity() const { return GetU16BE(Request.UnitPtr(), 2); }
  // Register `index` (0-based from Start) of an accepted reply.
  std::uint16_t Register(std::size_t index) const { return Reply.DataReader().u16be(1 + 2 * index); }
};

// Read input registers.
class TModbusCommand4 : public TModbusCommandReadRegisters {
public:
  static constexpr std::uint8_t kFunction = 0x04;
  TModbusCommand4(std::uint16_t start, std::uint16_t quantity) : TModbusCommandReadRegisters(kFunction, start, quantity) {}
};

// Basic device identification (0x2B, MEI type 0x0E, read code 1, from object 0).
// Reply data: MEI type, read code, conformity, more follows, next id, object count
// (byte 5), then per object its id, its length and its text.
class TModbusCommand43ReadDeviceID : public TBaseModbusMessage {
public:
  static constexpr std::uint8_t kFunction = 0x2B;
  static constexpr std::uint8_t kMeiReadDeviceId = 0x0E;
  static constexpr std::uint8_t kReadBasic = 0x01;

  TModbusCommand43ReadDeviceID();
  bool CheckReply() override;

  // The object count the accepted reply reports.
  std::uint8_t ObjectCount() const { return Reply.DataReader().u8(5); }
};

}  // namespace ModbusMaster

// The text of identification object `id` in an accepted reply, byte for byte; empty
// when no object has that id or the list ends early (only received bytes are read).
std::string GetDeviceIdObject(const ModbusMaster::TModbusCommand43ReadDeviceID& command, std::uint8_t id);
// How many objects an accepted reply really holds: those of its object count that lie
// whole within the received bytes, up to the first that does not. A reply may announce
// more than it carries.
unsigned HeldDeviceIdObjects(const ModbusMaster::TModbusCommand43ReadDeviceID& command);

namespace Registrator {

inline constexpr std::uint8_t kFunctionReadInfo = 0x64;
inline constexpr std::uint8_t kFunctionReadConfig = 0x65;
inline constexpr std::uint8_t kFunctionReadConfigLong = 0x6B;  // configuration blocks of more than 32 items
inline constexpr std::uint8_t kFunctionReadMSConfig = 0x69;
inline constexpr std::uint8_t kFunctionReadAMXConfigOld = 0x6B;  // configurations below 2.1.110
inline constexpr std::uint8_t kFunctionReadAMXConfig = 0x6F;

// One information record (0x64).
class TModbusCommandReadInfo : public ModbusMaster::TModbusReadRecordCommand {
public:
  explicit TModbusCommandReadInfo(std::uint8_t record) : TModbusReadRecordCommand(kFunctionReadInfo, record, 0, 1) {}
};

class TModbusReadGeneralInfo : public TModbusCommandReadInfo {
public:
  TModbusReadGeneralInfo() : TModbusCommandReadInfo(0) {}
};

class TModbusReadDeviceInfo : public TModbusCommandReadInfo {
public:
  TModbusReadDeviceInfo() : TModbusCommandReadInfo(1) {}
};

// One configuration record (0x65): the general record 0, the summary board 127, the
// schedule 10, the CP items 7, the first-format display boards 6.
class TMBRegReadConfigCommand : public ModbusMaster::TModbusReadRecordCommand {
public:
  explicit TMBRegReadConfigCommand(std::uint8_t record) : TModbusReadRecordCommand(kFunctionReadConfig, record, 0, 1) {}
};

// The reply of a blob chunk read: the echoed u32 offset, a u16 count, the chunk.
struct TRegMBReadConfigResponce {
  static constexpr std::size_t kOffset = 0;  // u32, echoes the request
  static constexpr std::size_t kCount = 4;   // u16, bytes of this chunk
  static constexpr std::size_t kChunk = 6;
};
using TRegMBReadAMXConfigResponce = TRegMBReadConfigResponce;
using TRegMBReadMSConfigResponce = TRegMBReadConfigResponce;

// The first 12 bytes of a blob: whether it is there and how many payload bytes follow.
struct TRegConfigBlobHeader {
  static constexpr std::size_t kSize = 12;
  std::uint8_t Presence = 0;     // byte 0: 0 absent, 1 present, other unsupported
  std::uint32_t PayloadSize = 0;  // bytes 8-11

  static TRegConfigBlobHeader Decode(ByteReader bytes)
  {
    return {bytes.u8(0), bytes.u32(8)};
  }
  // Header and payload, counted in 64 bits: the announced size is the device's word.
  std::uint64_t TotalSize() const { return std::uint64_t(PayloadSize) + kSize; }
};

// The AMX program blob; its tag names it in EMBInternalError.
struct TRegAMXConfigHeader : TRegConfigBlobHeader {
  static constexpr const char* kTag = "amx 1";
  // The largest AMX blob (header included) a configuration read accepts.
  static constexpr std::uint64_t kMaxTotalSize = 0x40000;
  bool Fits() const { return TotalSize() <= kMaxTotalSize; }
};

// The mnemonic-scheme blob (no size limit of its own).
struct TRegMSConfigHeader : TRegConfigBlobHeader {
  static constexpr const char* kTag = "ms 1";
};

// A chunk read of a blob: request the u32 offset (0 at construction), reply as
// TResponse lays it out with at most MaxChunk bytes.
template <typename TResponse, typename THeader, std::uint32_t MaxChunk>
class TRegReadConfigCommandT : public ModbusMaster::TRegReadConfigCommandBase {
public:
  using HeaderType = THeader;

  explicit TRegReadConfigCommandT(std::uint8_t function) : TRegReadConfigCommandBase(function) { SetOffset(0); }

  bool CheckReply() override
  {
    ByteReader reply = Reply.DataReader();
    if (reply.size() < TResponse::kChunk) return false;
    if (reply.u32(TResponse::kOffset) != Offset()) return false;
    std::uint32_t count = reply.u16(TResponse::kCount);
    return count <= MaxChunk && Reply.Length() == count + 8;
  }

  std::uint32_t ChunkSize() const override { return MaxChunk; }
  const std::uint8_t* ChunkData() const override { return Reply.Data() + TResponse::kChunk; }
  // Bytes in the accepted reply's chunk.
  std::uint32_t ChunkCount() const { return Reply.DataReader().u16(TResponse::kCount); }
  std::span<const std::uint8_t> Chunk() const { return {ChunkData(), ChunkCount()}; }
  // The blob's header from the first chunk; EByteRange when it carries fewer than 12
  // bytes (callers test ChunkCount first and raise their tag).
  virtual THeader Header() const
  {
    THeader header;
    static_cast<TRegConfigBlobHeader&>(header) = TRegConfigBlobHeader::Decode(ByteReader(Chunk(), "blob header"));
    return header;
  }
};

class TRegReadMSConfigCommand
    : public TRegReadConfigCommandT<TRegMBReadMSConfigResponce, TRegMSConfigHeader, 246> {
public:
  TRegReadMSConfigCommand() : TRegReadConfigCommandT(kFunctionReadMSConfig) {}
};

class TRegReadAMXConfigCommand
    : public TRegReadConfigCommandT<TRegMBReadAMXConfigResponce, TRegAMXConfigHeader, 246> {
public:
  // 0x6B for configurations below 2.1.110, 0x6F from then on.
  explicit TRegReadAMXConfigCommand(std::uint8_t function) : TRegReadConfigCommandT(function) {}
};

}  // namespace Registrator
