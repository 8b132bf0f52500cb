#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Bytes.h"

namespace ModbusMaster {

inline constexpr std::size_t kMbapHeaderSize = 6;   // transaction id, protocol id, length
inline constexpr std::size_t kMaxAduBody = 1452;    // unit + function + data
inline constexpr std::size_t kMaxPduData = kMaxAduBody - 2;

// One direction of an exchange laid out as on the Ethernet wire: the MBAP header
// (big-endian), then unit, function and data. The serial transport sends and
// receives from the unit byte on.
class TModbusAdu {
public:
  std::uint16_t TransactionId() const { return Header().u16be(0); }
  std::uint16_t ProtocolId() const { return Header().u16be(2); }
  // Counts unit, function and data bytes.
  std::uint16_t Length() const { return Header().u16be(4); }
  void SetTransactionId(std::uint16_t value) { HeaderWriter().u16be(0, value); }
  void SetProtocolId(std::uint16_t value) { HeaderWriter().u16be(2, value); }
  void SetLength(std::uint16_t value) { HeaderWriter().u16be(4, value); }

  std::uint8_t Unit() const { return bytes_[6]; }
  std::uint8_t Function() const { return bytes_[7]; }
  void SetUnit(std::uint8_t unit) { bytes_[6] = unit; }
  void SetFunction(std::uint8_t function) { bytes_[7] = function; }

  // The PDU field accessors take this pointer.
  std::uint8_t* UnitPtr() { return bytes_.data() + kMbapHeaderSize; }
  const std::uint8_t* UnitPtr() const { return bytes_.data() + kMbapHeaderSize; }
  std::uint8_t* Data() { return bytes_.data() + kMbapHeaderSize + 2; }
  const std::uint8_t* Data() const { return bytes_.data() + kMbapHeaderSize + 2; }
  std::uint8_t* Raw() { return bytes_.data(); }
  const std::uint8_t* Raw() const { return bytes_.data(); }
  static constexpr std::size_t kCapacity = kMbapHeaderSize + kMaxAduBody;

  // Data bytes after the function as the header's length announces them (Length - 2),
  // clipped to the buffer; a length below 2 gives none.
  std::size_t DataLength() const;
  // Bounds-checked views of the whole data area (writer) and of the announced data
  // (reader): decoders read replies through these, never past what arrived.
  ByteWriter DataWriter() { return ByteWriter({Data(), kMaxPduData}, "request data"); }
  ByteReader DataReader() const { return ByteReader({Data(), DataLength()}, "reply data"); }

  void Clear() { bytes_.fill(0); }

private:
  ByteReader Header() const { return ByteReader({bytes_.data(), kMbapHeaderSize}, "MBAP header"); }
  ByteWriter HeaderWriter() { return ByteWriter({bytes_.data(), kMbapHeaderSize}, "MBAP header"); }

  std::array<std::uint8_t, kCapacity> bytes_{};
};

// One request and its reply. Commands derive from it and decode their reply in
// CheckReply; a plain message (the login) accepts any reply from the right unit with
// the right function and leaves the decoding to its caller.
class TBaseModbusMessage {
public:
  TBaseModbusMessage() = default;
  TBaseModbusMessage(const TBaseModbusMessage&) = default;
  TBaseModbusMessage& operator=(const TBaseModbusMessage&) = default;
  virtual ~TBaseModbusMessage();

  // Called by the transport only after it matched the reply's unit and function.
  virtual bool CheckReply();

  // Writes function, data and the matching header length in one go.
  void SetRequest(std::uint8_t function, std::span<const std::uint8_t> data);

  TModbusAdu Request;
  TModbusAdu Reply;
  std::uint32_t ReplyTimeout = 0;  // ms; 0 = the transport's default
  std::uint32_t ReplyTime = 0;     // ms from the start of reading to the last part (serial only)
  std::uint32_t Attempts = 0;      // failed attempts of the last Execute
  std::uint32_t MaxRetries = 3;
};

// PDU field accessors: `unit` points at the unit byte of a request or reply, `n`
// counts from the first data byte after the function (unit + 2). Little-endian for
// the recorder's vendor functions (0x64-0x6F), big-endian for standard ones. They
// trust n: callers keep within the 1450 data bytes (decoders of replies use
// TModbusAdu::DataReader, which checks).
inline void PutU16LE(std::uint8_t* unit, std::size_t n, std::uint16_t value)
{
  unit[2 + n] = static_cast<std::uint8_t>(value);
  unit[3 + n] = static_cast<std::uint8_t>(value >> 8);
}
inline std::uint16_t GetU16LE(const std::uint8_t* unit, std::size_t n)
{
  return static_cast<std::uint16_t>(unit[2 + n] | unit[3 + n] << 8);
}
inline void PutU32LE(std::uint8_t* unit, std::size_t n, std::uint32_t value)
{
  for (std::size_t i = 0; i < 4; ++i) unit[2 + n + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void PutU16BE(std::uint8_t* unit, std::size_t n, std::uint16_t value)
{
  unit[2 + n] = static_cast<std::uint8_t>(value >> 8);
  unit[3 + n] = static_cast<std::uint8_t>(value);
}
inline std::uint16_t GetU16BE(const std::uint8_t* unit, std::size_t n)
{
  return static_cast<std::uint16_t>(unit[2 + n] << 8 | unit[3 + n]);
}

}  // namespace ModbusMaster
