#include "platform/Stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Format.h"
#include "platform/OSError.h"
#include "platform/SysFault.h"

std::int64_t TStream::GetSize()
{
  std::int64_t position = Seek(0, SeekOrigin::Current);
  std::int64_t size = Seek(0, SeekOrigin::End);
  Seek(position, SeekOrigin::Begin);
  return size;
}

void TStream::SetSize(std::int64_t) {}

void TStream::ReadBuffer(void* buffer, std::size_t count)
{
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count)
{
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

void TStream::CopyFrom(TStream& source, std::int64_t count)
{
  std::uint8_t block[16384];
  while (count > 0) {
    auto n = static_cast<std::size_t>(std::min<std::int64_t>(count, sizeof block));
    source.ReadBuffer(block, n);
    WriteBuffer(block, n);
    count -= static_cast<std::int64_t>(n);
  }
}

std::size_t TStream::ReadBlock(const std::uint8_t* block, std::size_t size, std::int64_t& position, void* buffer,
                              std::size_t count)
{
  auto end = static_cast<std::int64_t>(size);
  if (position < 0 || position >= end) return 0;
  auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), end - position));
  std::memcpy(buffer, block + position, n);
  position += static_cast<std::int64_t>(n);
  return n;
}

std::int64_t TStream::SeekBlock(std::size_t size, std::int64_t& position, std::int64_t offset, SeekOrigin origin)
{
  switch (origin) {
  case SeekOrigin::Begin: position = offset; break;
  case SeekOrigin::Current: position += offset; break;
  case SeekOrigin::End: position = static_cast<std::int64_t>(size) + offset; break;
  }
  return position;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count)
{
  return ReadBlock(data_.data(), data_.size(), position_, buffer, count);
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count)
{
  if (position_ < 0 || count == 0) return 0;
  auto end = static_cast<std::size_t>(position_) + count;
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = static_cast<std::int64_t>(end);
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin)
{
  return SeekBlock(data_.size(), position_, offset, origin);
}

void TMemoryStream::SetSize(std::int64_t size)
{
  data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
  position_ = std::min(position_, size);
}

std::string ExpandFileName(const std::string& fileName)
{
  // An empty name stays empty: the working folder in its place would mislead.
  if (fileName.empty() || fileName[0] == '/') return fileName;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return fileName;
  std::string full(cwd);
  if (full.back() != '/') full += '/';
  return full + fileName;
}

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName)
{
  int flags = O_CLOEXEC;
  switch (mode) {
  case FileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  case FileMode::OpenRead: flags |= O_RDONLY; break;
  case FileMode::OpenWrite: flags |= O_WRONLY; break;
  }
  fd_.Reset(SysCall(SysCallId::Open, [&] { return ::open(fileName.c_str(), flags, 0666); }));
  if (!fd_) {
    int error = errno;
    if (mode == FileMode::Create)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", ExpandFileName(fileName), SystemErrorText(error)));
    throw EFOpenError(Format("Cannot open file \"%s\". %s", ExpandFileName(fileName), SystemErrorText(error)));
  }
}

TFileStream::TFileStream(std::string fileName, UniqueFd file) : fileName_(std::move(fileName)), fd_(std::move(file)) {}

int TFileStream::CloseFile() noexcept
{
  if (!fd_) return 0;
  return SysClose(fd_.Release()) == 0 ? 0 : errno;
}

void TFileStream::Close()
{
  if (int error = CloseFile(); error != 0)
    throw EWriteError(Format("Cannot close file \"%s\". %s", fileName_, SystemErrorText(error)));
}

std::size_t TFileStream::Read(void* buffer, std::size_t count)
{
  std::size_t done = 0;
  while (done < count && fd_) {
    ssize_t n = SysCall(SysCallId::Read, [&] { return ::read(fd_.Get(), static_cast<char*>(buffer) + done, count - done); });
    if (n < 0) lastError_ = errno;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count)
{
  std::size_t done = 0;
  while (done < count && fd_) {
    ssize_t n =
        SysCall(SysCallId::Write, [&] { return ::write(fd_.Get(), static_cast<const char*>(buffer) + done, count - done); });
    if (n <= 0) {
      lastError_ = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin)
{
  int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  if (!fd_) return -1;
  return static_cast<std::int64_t>(
      SysCall(SysCallId::Lseek, [&] { return ::lseek(fd_.Get(), static_cast<off_t>(offset), whence); }));
}

void TFileStream::SetSize(std::int64_t size)
{
  if (!fd_ || SysCall(SysCallId::Ftruncate, [&] { return ::ftruncate(fd_.Get(), static_cast<off_t>(size)); }) != 0)
    throw EStreamError(Format("Cannot set the size of \"%s\". %s", fileName_, SystemErrorText(fd_ ? errno : EBADF)));
}
