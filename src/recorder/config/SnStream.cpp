#include "recorder/config/SnStream.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

namespace SnStream {

// A buffer of no bytes could never pass a block on: it counts as one byte.
TSnBufferedStream::TSnBufferedStream(std::uint32_t capacity, TStream* target)
    : buffer_(std::max<std::uint32_t>(capacity, 1)), target_(target), uncaughtAtStart_(std::uncaught_exceptions())
{
}

TSnBufferedStream::TSnBufferedStream(std::uint32_t capacity, std::unique_ptr<TStream> target)
    : TSnBufferedStream(capacity, target.get())
{
  ownedTarget_ = std::move(target);
}

TSnBufferedStream::~TSnBufferedStream()
{
  // An error on its way up means the data is incomplete: nothing more reaches the
  // target. The caller that flushes learns of a failure; here it cannot be told.
  if (fill_ != 0 && target_ && std::uncaught_exceptions() <= uncaughtAtStart_) {
    try {
      Flush();
    } catch (...) {
    }
  }
}

TStream& TSnBufferedStream::RequireTarget(const char* operation) const
{
  if (!target_) throw EStreamError(operation);
  return *target_;
}

std::size_t TSnBufferedStream::Read(void*, std::size_t) { throw EStreamError("TSnBufferedStream.Read"); }

std::int64_t TSnBufferedStream::Seek(std::int64_t, SeekOrigin) { throw EStreamError("TSnBufferedStream.Seek"); }

std::int64_t TSnBufferedStream::GetSize() { return RequireTarget("TSnBufferedStream.GetSize").GetSize(); }

void TSnBufferedStream::SetSize(std::int64_t size)
{
  // The same text as GetSize: the operation the caller sees is on the target's size.
  RequireTarget("TSnBufferedStream.GetSize").SetSize(size);
}

void TSnBufferedStream::Pass(const std::uint8_t* data, std::size_t count)
{
  RequireTarget("TSnBufferedStream.Write").WriteBuffer(data, count);
}

std::size_t TSnBufferedStream::Write(const void* buffer, std::size_t count)
{
  RequireTarget("TSnBufferedStream.Write");
  const auto* data = static_cast<const std::uint8_t*>(buffer);
  const std::size_t capacity = buffer_.size();
  const std::size_t asked = count;
  if (fill_ > 0) {
    std::size_t n = std::min(capacity - fill_, count);
    std::memcpy(buffer_.data() + fill_, data, n);
    fill_ += static_cast<std::uint32_t>(n);
    data += n;
    count -= n;
    if (fill_ == capacity) Flush();
  }
  if (std::size_t whole = count / capacity * capacity; whole > 0) {
    Pass(data, whole);
    data += whole;
    count -= whole;
  }
  if (count > 0) {
    std::memcpy(buffer_.data() + fill_, data, count);
    fill_ += static_cast<std::uint32_t>(count);
  }
  return asked;
}

void TSnBufferedStream::Flush()
{
  if (fill_ == 0) return;
  // A block the target refused is not offered again: part of it may be written already.
  std::uint32_t n = std::exchange(fill_, 0);
  Pass(buffer_.data(), n);
}

TFixedMemoryStream::TFixedMemoryStream(std::uint8_t* memory, std::size_t size)
    : memory_(memory), writable_(memory), size_(size)
{
}

TFixedMemoryStream::TFixedMemoryStream(const std::uint8_t* memory, std::size_t size)
    : memory_(memory), writable_(nullptr), size_(size)
{
}

std::size_t TFixedMemoryStream::Read(void* buffer, std::size_t count)
{
  return ReadBlock(memory_, size_, position_, buffer, count);
}

std::size_t TFixedMemoryStream::Write(const void* buffer, std::size_t count)
{
  const auto end = static_cast<std::int64_t>(size_);
  if (!writable_ || position_ < 0 || position_ >= end) return 0;
  auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, static_cast<std::uint64_t>(end - position_)));
  std::memcpy(writable_ + position_, buffer, n);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

std::int64_t TFixedMemoryStream::Seek(std::int64_t offset, SeekOrigin origin)
{
  return SeekBlock(size_, position_, offset, origin);
}

TTempFileStream::TTempFileStream(const std::string& target, bool keepBackup)
    : SafeFileReplace(target, {.keepBackup = keepBackup})
{
}

}  // namespace SnStream
