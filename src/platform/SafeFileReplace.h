#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/OSError.h"
#include "platform/Stream.h"
#include "platform/UniqueFd.h"

// A file replace that did not happen. The message names the file the caller asked for,
// not the temporary one (which is gone by then); Operation() is the system call that
// failed and Code() its errno, for a layer that words its own message.
class EFileReplaceError : public EOSError {
public:
  EFileReplaceError(std::string operation, int code, std::string message)
      : EOSError(std::move(operation), code, std::move(message))
  {
  }
};

struct FileReplaceOptions {
  // The previous file stays as "<target>.bak"; an older one of that name is replaced.
  bool keepBackup = false;
  // The permission bits of a file that did not exist before, less the umask. A file that
  // did exist keeps its own.
  unsigned newFileMode = 0666;
};

// Writes a new file and puts it in the place of `target`, so that the name holds at every
// moment either the previous file or the new one whole.
//
// The data goes into a temporary file in the target's folder, named after the target
// ("<name>.~XXXXXX.tmp"). Commit gives it the previous file's permissions, syncs and
// closes it (a failure of either is a failed write), keeps the previous file as
// "<target>.bak" by a hard link when asked (a copy where the file system has no hard
// links), renames it over the target and syncs the folder. Any failure removes the
// temporary file and leaves the target as it was; so does destruction without a Commit.
//
// A process that dies while writing leaves its temporary file behind. Each one holds a
// lock on its file for as long as it lives, so the next replace of the same target
// knows the files of the dead from those of a save still under way, and removes them.
class SafeFileReplace : public TFileStream {
public:
  explicit SafeFileReplace(const std::string& target, const FileReplaceOptions& options = {});
  ~SafeFileReplace() override;

  // Raises EFileReplaceError on a failure, which abandons the replace.
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Raises EFileReplaceError; after a failure, every later Commit raises it again. A
  // second Commit after a successful one does nothing.
  void Commit();

  const std::string& Target() const { return target_; }

private:
  struct Temporary;
  SafeFileReplace(Temporary temporary, const std::string& target, const FileReplaceOptions& options);

  using TFileStream::Close;  // the Commit closes, and checks the close
  [[noreturn]] void Fail(const char* operation, int code, std::string message);
  void KeepBackup(const std::string& backup, unsigned mode);
  void RemoveTemporary() noexcept;

  std::string target_;
  FileReplaceOptions options_;
  // A second descriptor of the temporary file: its lock outlives the checked close of
  // the first, up to the rename.
  UniqueFd hold_;
  bool committed_ = false;
  std::optional<EFileReplaceError> failure_;
};

// `bytes` as the whole new content of `target`, by a SafeFileReplace.
void SafeReplaceFile(const std::string& target, std::string_view bytes, const FileReplaceOptions& options = {});
