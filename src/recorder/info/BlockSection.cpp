#include "recorder/info/BlockSection.h"

#include "modbus/ModbusChecksum.h"
#include "platform/Bytes.h"
#include "platform/Format.h"
#include "recorder/info/Crc32.h"
#include "recorder/info/VantorException.h"

namespace {

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

void PutHeader(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
               int sizeBytes)
{
  out.push_back(tag);
  out.push_back(count);
  for (int i = 0; i < sizeBytes; ++i) out.push_back(static_cast<std::uint8_t>(itemSize >> 8 * i));
}

void PutShort(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
              std::span<const std::uint8_t> items)
{
  PutHeader(out, tag, count, itemSize, 2);
  if (items.empty()) return;
  out.insert(out.end(), items.begin(), items.end());
  std::uint16_t crc = ModbusMaster::ModbusCRC16(items);
  out.push_back(static_cast<std::uint8_t>(crc));
  out.push_back(static_cast<std::uint8_t>(crc >> 8));
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
  PutShort(out, tag, count, itemSize, Items(items, 0, count * itemSize));
}

void WriteStreamBlockCrc16(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                           std::span<const std::uint8_t> stream, std::size_t& position)
{
  CheckSizeFits(tag, itemSize, 0xFFFF);
  auto items = Items(stream, position, count * itemSize);
  PutShort(out, tag, count, itemSize, items);
  position += items.size();
}

void WriteBlockCrc32(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint8_t count, std::size_t itemSize,
                     std::span<const std::uint8_t> items)
{
  CheckSizeFits(tag, itemSize, 0xFFFFFFFF);
  auto data = Items(items, 0, count * itemSize);
  PutHeader(out, tag, count, itemSize, 4);
  if (data.empty()) return;
  out.insert(out.end(), data.begin(), data.end());
  std::uint32_t crc = Crc32Of(data);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(crc >> 8 * i));
}
