#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "platform/UniqueFd.h"

// The stream family the program's records, files and resources are read and written
// through. Read and Write move as many bytes as they can and say how many; ReadBuffer and
// WriteBuffer raise when the transfer comes up short.
class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

enum class SeekOrigin { Begin, Current, End };

class TStream {
public:
  virtual ~TStream() = default;

  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // The new position. Positions are not clamped to the size.
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
  virtual std::int64_t GetSize();
  // Streams that cannot change their size leave it as it is.
  virtual void SetSize(std::int64_t size);

  std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Begin); }

  // Raise EReadError "Stream read error" / EWriteError "Stream write error" on a short transfer.
  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count);
  // Copies count bytes from source's position to this stream's position.
  void CopyFrom(TStream& source, std::int64_t count);

protected:
  // Read and Seek of a stream over one block of memory at position.
  static std::size_t ReadBlock(const std::uint8_t* block, std::size_t size, std::int64_t& position, void* buffer,
                               std::size_t count);
  static std::int64_t SeekBlock(std::size_t size, std::int64_t& position, std::int64_t offset, SeekOrigin origin);
};

// A growing block of memory.
class TMemoryStream : public TStream {
public:
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t GetSize() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t size) override;

  const std::vector<std::uint8_t>& Data() const { return data_; }

private:
  std::vector<std::uint8_t> data_;
  std::int64_t position_ = 0;
};

enum class FileMode {
  Create,     // created anew, an existing file is replaced (emptied); read and write
  OpenRead,   // an existing file, read only
  OpenWrite,  // an existing file, write only, kept as it is
};

// A stream over an open file. Creation and opening raise EFCreateError
// "Cannot create file "%s". %s" / EFOpenError "Cannot open file "%s". %s" with the full
// file name and the system's text for the error.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, FileMode mode);
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

  // Closes the file and reports a failure of the close (data the system could not write).
  void Close();
  const std::string& FileName() const { return fileName_; }

protected:
  // Over a file someone else opened.
  TFileStream(std::string fileName, UniqueFd file);
  int Handle() const { return fd_.Get(); }
  // The errno of the last Read or Write that came up short, 0 when none did.
  int LastError() const { return lastError_; }
  // Close without raising: 0, or the errno of a failed close.
  int CloseFile() noexcept;

private:
  std::string fileName_;
  UniqueFd fd_;
  int lastError_ = 0;
};

// The name as the error texts show it: made absolute against the working folder.
std::string ExpandFileName(const std::string& fileName);
