#pragma once

#include <cstddef>
#include <cstdint>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/RecordTransfer.h"

// The two codes of an event item already written into a record, and with them the
// item's header (action field A in bits 4-5, B in bits 6-7), as firmware above 2.1.80.0
// takes them. The writers of the channel blocks call it on the finished record, so that
// one transfer function serves reading and writing alike.
inline void ConvertWrittenEventCodes(RecordWriting& io, std::size_t header, std::size_t first, std::size_t second)
{
  const ByteReader written(io.Record());
  std::uint8_t headerByte = written.u8(header);
  std::uint16_t firstCode = written.u16(first);
  std::uint16_t secondCode = written.u16(second);
  ConvertEventJobCodesInHeader(headerByte, firstCode, secondCode);
  io.Bytes().u8(header, headerByte);
  io.Bytes().u16(first, firstCode);
  io.Bytes().u16(second, secondCode);
}

// An event-action code in the one-byte form of first-line records, at the firmware the
// one-byte form belongs to.
template <class IO, class Code>
void TransferCode8(IO& io, std::size_t at, Code& code, std::uint32_t version)
{
  if constexpr (IO::kReading) code = DecodeEventJobCode(version, io.Bytes().u8(at));
  else io.u8(at, EncodeEventJobCode(version, code));
}
