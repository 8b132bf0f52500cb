#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/SafeFileReplace.h"
#include "platform/Stream.h"

// The streams the configuration writes its backup file and its fixed-size records
// through.
namespace SnStream {

// A write-only stream that gathers small writes and hands them to its target in blocks
// of the buffer's size (or whole multiples of it, when a large write meets an empty
// buffer), so that a file written field by field costs one system call per block.
//
// Only Flush reports a failure of the last block: flush before the target is closed or
// committed. The destructor never raises. When no error is in flight it writes what is
// still waiting, for a caller that forgot to flush, but it cannot tell anyone that this
// write failed; on an unwinding path it writes nothing.
class TSnBufferedStream : public TStream {
public:
  // The target is not owned and may be null (then every transfer raises).
  TSnBufferedStream(std::uint32_t capacity, TStream* target);
  // The stream owns the target and frees it after the last write.
  TSnBufferedStream(std::uint32_t capacity, std::unique_ptr<TStream> target);
  TSnBufferedStream(const TSnBufferedStream&) = delete;
  TSnBufferedStream& operator=(const TSnBufferedStream&) = delete;
  ~TSnBufferedStream() override;

  // Raise EStreamError "TSnBufferedStream.Read" / "TSnBufferedStream.Seek": the stream
  // only writes forward.
  std::size_t Read(void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  // Always the count asked for: a failure of the target raises (its own error), and
  // the block that failed is dropped.
  std::size_t Write(const void* buffer, std::size_t count) override;
  // The target's size and SetSize of the target; bytes still waiting are not counted.
  std::int64_t GetSize() override;
  void SetSize(std::int64_t size) override;

  // Hands the waiting bytes to the target; its failure raises here.
  void Flush();

  std::uint32_t Capacity() const { return static_cast<std::uint32_t>(buffer_.size()); }
  std::uint32_t Fill() const { return fill_; }

private:
  TStream& RequireTarget(const char* operation) const;
  void Pass(const std::uint8_t* data, std::size_t count);

  std::vector<std::uint8_t> buffer_;
  std::uint32_t fill_ = 0;
  TStream* target_;
  std::unique_ptr<TStream> ownedTarget_;
  int uncaughtAtStart_;
};

// A stream over a block of memory of fixed size that belongs to the caller. It never
// grows: a transfer stops at the end of the block, and a position before its start or
// past its end transfers nothing.
class TFixedMemoryStream : public TStream {
public:
  TFixedMemoryStream(std::uint8_t* memory, std::size_t size);
  // A block that may only be read: writes transfer nothing.
  TFixedMemoryStream(const std::uint8_t* memory, std::size_t size);

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  // The new position, not clamped to the block.
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t GetSize() override { return static_cast<std::int64_t>(size_); }

private:
  const std::uint8_t* memory_;
  std::uint8_t* writable_;
  std::size_t size_;
  std::int64_t position_ = 0;
};

// A new file for `target`, written beside it in the target's folder. Commit (the file
// replace's) puts it in the target's place, the previous file kept as target + ".bak"
// when asked; until then the target is untouched. A stream destroyed uncommitted, or
// whose writing or commit failed, leaves no temporary file behind.
class TTempFileStream : public SafeFileReplace {
public:
  TTempFileStream(const std::string& target, bool keepBackup);
};

}  // namespace SnStream
