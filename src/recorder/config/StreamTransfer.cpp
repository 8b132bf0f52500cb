#include "recorder/config/StreamTransfer.h"

#include "recorder/info/VantorException.h"

namespace {

// The bytes after the position (none for a position outside the stream).
std::uint64_t Remaining(TStream& stream)
{
  const std::int64_t size = stream.GetSize();
  const std::int64_t position = stream.Position();
  return size > position && position >= 0 ? static_cast<std::uint64_t>(size - position) : 0;
}

[[noreturn]] void ReadPastTheEnd() { throw EReadError("Stream read error"); }

}  // namespace

void StreamReading::shortString(std::string& text)
{
  std::uint8_t length;
  stream_.ReadBuffer(&length, 1);
  text.resize(length);
  stream_.ReadBuffer(text.data(), length);
}

void StreamWriting::shortString(const std::string& text)
{
  if (text.size() > kShortStringMax) throw EVantorInvalid(kShortStringTooLongCheck);
  u8(text.size());
  stream_.WriteBuffer(text.data(), text.size());
}

std::vector<std::uint8_t> ReadBytes(TStream& stream, std::size_t count)
{
  // A count taken from the data is checked against the stream before it sizes anything.
  if (count > Remaining(stream)) ReadPastTheEnd();
  std::vector<std::uint8_t> bytes(count);
  stream.ReadBuffer(bytes.data(), count);
  return bytes;
}

void SkipForward(TStream& stream, std::uint64_t count)
{
  if (count > Remaining(stream)) ReadPastTheEnd();
  stream.Seek(static_cast<std::int64_t>(count), SeekOrigin::Current);
}

void CheckContentHeader(const ContentHeader& header, unsigned badSize, unsigned badFormat)
{
  if (header[0] == 1 && header[1] != kContentHeaderSize) throw EVantorInvalid(badSize);
  if (header[0] >= 2) throw EVantorInvalid(badFormat);
}

std::optional<ContentHeader> ReadContentHeader(TStream& stream, unsigned badSize, unsigned badFormat)
{
  if (stream.GetSize() == 0) return std::nullopt;
  ContentHeader header;
  stream.ReadBuffer(header.data(), 1);
  if (header[0] == 0) return std::nullopt;
  stream.ReadBuffer(header.data() + 1, header.size() - 1);
  CheckContentHeader(header, badSize, badFormat);
  return header;
}
