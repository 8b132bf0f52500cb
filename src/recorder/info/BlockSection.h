#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Tagged block sections of the sectioned configuration file, appended to the byte vector
// the file is built in. All fields little-endian; the checksums cover the items only.
//
//   short form: u8 tag, u8 item count, u16 item size, the items, CRC-16/MODBUS (2 bytes)
//   long form:  u8 tag, u8 item count, u32 item size, the items, CRC-32 (4 bytes)
//
// With count × size 0 a section is its header alone (4 or 6 bytes). A size that does not
// fit its field raises EVantorException rather than write a header that lies; items
// shorter than count × size raise EByteRange. Either way nothing is appended.

void AppendBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data);
void AppendBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t length);

// Short form over the first count × itemSize bytes of items.
void WriteBlockCrc16(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                     std::span<const std::uint8_t> items);
// Long form over the first count × itemSize bytes of items.
void WriteBlockCrc32(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                     std::span<const std::uint8_t> items);

// Short form whose items are read from a memory stream, given as its memory block and
// its read position: count × itemSize bytes from position on, which then moves past
// them. The CRC covers exactly the bytes appended.
void WriteStreamBlockCrc16(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                           std::span<const std::uint8_t> stream, std::size_t& position);

// The record sections: count records of itemSize bytes collected in items.
inline void WriteVectorBlock(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count,
                             std::span<const std::uint8_t> items, std::size_t itemSize)
{
  WriteBlockCrc16(out, tag, count, itemSize, items);
}
// The record sections: count records of itemSize bytes each, collected in records. The
// count must fit its byte and records must hold exactly count × itemSize bytes; a list
// longer than the byte can count, or a record writer that wrote another size than the
// section announces, raises EVantorInvalid {5492} / {5493} and appends nothing, rather
// than leave a section that drops records or frames bytes that belong to none.
void WriteRecordsBlock(std::vector<std::uint8_t>& out, std::uint8_t tag, std::size_t count, std::size_t itemSize,
                       std::span<const std::uint8_t> records);
// One item: the whole buffer (shorter than 65536 bytes; larger data take the long form).
inline void WriteBufferBlock(std::vector<std::uint8_t>& out, std::uint8_t tag, std::span<const std::uint8_t> buffer)
{
  WriteBlockCrc16(out, tag, 1, buffer.size(), buffer);
}
// One item of the stream's whole size, read from position on (callers rewind first).
inline void WriteStreamBlock(std::vector<std::uint8_t>& out, std::uint8_t tag, std::span<const std::uint8_t> stream,
                             std::size_t& position)
{
  WriteStreamBlockCrc16(out, tag, 1, stream.size(), stream, position);
}
// Long form, one item: the stream's whole memory, whatever its position.
inline void WriteSizedBlock(std::vector<std::uint8_t>& out, std::uint8_t tag, std::span<const std::uint8_t> stream)
{
  WriteBlockCrc32(out, tag, 1, stream.size(), stream);
}
