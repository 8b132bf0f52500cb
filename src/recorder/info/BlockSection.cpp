#include "recorder/info/BlockSection.h"

#include "modbus/ModbusChecksum.h"
#include "platform/Bytes.h"
#include "platform/Format.h"
#include "recorder/info/Crc32.h"
#include "recorder/info/VantorException.h"

namespace {

// Checks of our own on the record sections (see WriteRecordsBlock).
constexpr unsigned kCheckSectionCount = 5492;
constexpr unsigned kCheckSectionLength = 5493;

// A 16-bit size field would keep only the low bits of 65536 and more: the section would
// claim fewer bytes than follow it and the file could no longer be walked.
void CheckSizeFits(std::uint8_t tag, std::size_t itemSize, std::size_t limit)
{
  if (itemSize > limit)
    throw EVantorException(Format("Блок %u: размер %u байт больше допустимых %u", tag, itemSize, limit));
}

std::span<const std::uint8_t> Items(std::span<const std::uint8_t> from, std::size_t offset, std::size_t n)
{
  return ByteReader(from, "block section items").span(offset, n);
}

// Header, items and checksum of either form: the long one has a 32-bit size and CRC-32,
// the short one a 16-bit size and CRC-16/MODBUS (low byte first).
void PutSection(std::vector<std::uint8_t>& out, bool longForm, std::uint8_t tag, std::uint8_t count,
                std::size_t itemSize, std::span<const std::uint8_t> items)
{
  ByteAppender w(out);
  w.u8(tag);
  w.u8(count);
  if (longForm)
    w.u32(static_cast<std::uint32_t>(itemSize));
  else
    w.u16(static_cast<std::uint16_t>(itemSize));
  if (items.empty()) return;
  w.bytes(items);
  if (longForm)
    w.u32(Crc32Of(items));
  else
    w.u16(ModbusMaster::ModbusCRC16(items));
}

}  // namespace

void AppendBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data)
{
  out.insert(out.end(), data.begin(), data.end());
}

void AppendBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t length)
{
  AppendBytes(out, {static_cast<const std::uint8_t*>(data), length});
}

void WriteBlockCrc16(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                     std::span<const std::uint8_t> items)
{
  CheckSizeFits(tag, itemSize, 0xFFFF);
  PutSection(out, false, tag, count, itemSize, Items(items, 0, count * itemSize));
}

void WriteRecordsBlock(std::vector<std::uint8_t>& out, std::uint8_t tag, std::size_t count, std::size_t itemSize,
                       std::span<const std::uint8_t> records)
{
  if (count > 0xFF) throw EVantorInvalid(kCheckSectionCount);
  if (records.size() != count * itemSize) throw EVantorInvalid(kCheckSectionLength);
  WriteBlockCrc16(out, tag, static_cast<std::uint8_t>(count), itemSize, records);
}

void WriteStreamBlockCrc16(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                           std::span<const std::uint8_t> stream, std::size_t& position)
{
  CheckSizeFits(tag, itemSize, 0xFFFF);
  auto items = Items(stream, position, count * itemSize);
  PutSection(out, false, tag, count, itemSize, items);
  position += items.size();
}

void WriteBlockCrc32(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                     std::span<const std::uint8_t> items)
{
  CheckSizeFits(tag, itemSize, 0xFFFFFFFF);
  PutSection(out, true, tag, count, itemSize, Items(items, 0, count * itemSize));
}
