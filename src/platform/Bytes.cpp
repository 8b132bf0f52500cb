#include "platform/Bytes.h"

#include <algorithm>

#include "platform/Format.h"

EByteRange::EByteRange(const char* what, std::size_t offset, std::size_t width, std::size_t size)
    : Exception(Format("%s too short: %u bytes at offset %u, size %u", what, width, offset, size))
{
}

std::string ByteReader::text(std::size_t offset, std::size_t width) const
{
  auto field = span(offset, width);
  auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  return std::string(field.begin(), end);
}

void ByteWriter::text(std::size_t offset, std::size_t width, const std::string& value)
{
  auto* p = At(offset, width);
  std::fill(p, p + width, std::uint8_t{0});
  if (width == 0) return;
  std::size_t n = std::min(value.size(), width - 1);
  std::memcpy(p, value.data(), n);
}
