#include "platform/SafeFileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "platform/Format.h"
#include "platform/SysFault.h"

namespace {

constexpr std::string_view kTemporaryMark = ".~";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr std::size_t kRandomLength = 6;
constexpr std::string_view kRandomAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct TargetPath {
  std::string folder;  // to list and to sync: "." for a bare file name
  std::string prefix;  // the folder part as given, with its slash
  std::string name;
};

TargetPath Split(const std::string& target)
{
  std::size_t slash = target.rfind('/');
  if (slash == std::string::npos) return {".", "", target};
  return {slash == 0 ? "/" : target.substr(0, slash), target.substr(0, slash + 1), target.substr(slash + 1)};
}

bool IsTemporaryOf(std::string_view entry, std::string_view name)
{
  if (entry.size() != name.size() + kTemporaryMark.size() + kRandomLength + kTemporaryEnd.size()) return false;
  if (!entry.starts_with(name) || !entry.ends_with(kTemporaryEnd)) return false;
  entry.remove_prefix(name.size());
  if (!entry.starts_with(kTemporaryMark)) return false;
  std::string_view random = entry.substr(kTemporaryMark.size(), kRandomLength);
  return random.find_first_not_of(kRandomAlphabet) == std::string_view::npos;
}

// Unique only, not secret: O_EXCL settles a clash, and another try takes another name.
std::string RandomPart(unsigned attempt)
{
  auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::uint64_t x = now ^ static_cast<std::uint64_t>(::getpid()) << 40 ^ attempt * 0x9E3779B97F4A7C15ULL;
  // splitmix64's finaliser, so that names made a nanosecond apart look nothing alike
  x = (x ^ x >> 30) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ x >> 27) * 0x94D049BB133111EBULL;
  x ^= x >> 31;
  std::string out;
  for (std::size_t i = 0; i < kRandomLength; ++i, x /= kRandomAlphabet.size()) out += kRandomAlphabet[x % kRandomAlphabet.size()];
  return out;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The temporary files of `path.name` whose writers are gone. A living writer holds the
// lock on its file, so a file that can be locked is one nobody will rename any more.
// Whatever fails here only leaves a file for a later save to remove.
void RemoveAbandoned(const TargetPath& path, const std::string& own)
{
  UniqueFd folder(SysCall(SysCallId::Open, [&] { return ::open(path.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (!folder) return;
  DIR* listing = ::fdopendir(folder.Get());
  if (!listing) return;
  folder.Release();
  std::vector<std::string> found;
  while (const dirent* entry = ::readdir(listing)) {
    std::string file = path.prefix + entry->d_name;
    if (IsTemporaryOf(entry->d_name, path.name) && file != own) found.push_back(std::move(file));
  }
  ::closedir(listing);
  for (const std::string& file : found) {
    UniqueFd fd(SysCall(SysCallId::Open,
                        [&] { return ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); }));
    if (!fd || SysCall(SysCallId::Flock, [&] { return ::flock(fd.Get(), LOCK_EX | LOCK_NB); }) != 0) continue;
    struct stat held {}, named {};
    if (SysCall(SysCallId::Stat, [&] { return ::fstat(fd.Get(), &held); }) != 0 ||
        SysCall(SysCallId::Stat, [&] { return ::lstat(file.c_str(), &named); }) != 0 || !SameFile(held, named))
      continue;
    (void)SysCall(SysCallId::Unlink, [&] { return ::unlink(file.c_str()); });
  }
}

// The stream's own text for a file it cannot create, naming the file the caller asked
// for: the temporary one never existed, and its name means nothing to the user.
[[noreturn]] void CannotCreate(const std::string& target, int code)
{
  throw EFileReplaceError("open", code,
                          Format("Cannot create file \"%s\". %s", ExpandFileName(target), SystemErrorText(code)));
}

}  // namespace

struct SafeFileReplace::Temporary {
  std::string name;
  UniqueFd file;
  UniqueFd hold;

  static Temporary Create(const std::string& target, unsigned mode)
  {
    TargetPath path = Split(target);
    if (path.name.empty()) CannotCreate(target, path.prefix.empty() ? ENOENT : EISDIR);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      std::string name = path.prefix + path.name + std::string(kTemporaryMark) + RandomPart(attempt) +
                         std::string(kTemporaryEnd);
      UniqueFd file(SysCall(SysCallId::Open,
                            [&] { return ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode); }));
      if (!file) {
        if (errno == EEXIST) continue;
        CannotCreate(target, errno);
      }
      auto fail = [&](int code) {
        (void)SysCall(SysCallId::Unlink, [&] { return ::unlink(name.c_str()); });
        CannotCreate(target, code);
      };
      // Held by someone else: a replace of the same target took the new file for one a
      // dead writer left, and removes it. A file system without locks leaves the file
      // unlocked, and then no replace ever removes it as abandoned.
      if (SysCall(SysCallId::Flock, [&] { return ::flock(file.Get(), LOCK_EX | LOCK_NB); }) != 0 &&
          errno == EWOULDBLOCK)
        continue;
      struct stat created {};
      if (SysCall(SysCallId::Stat, [&] { return ::fstat(file.Get(), &created); }) != 0) fail(errno);
      if (created.st_nlink == 0) continue;  // removed between its creation and the lock
      UniqueFd hold(SysCall(SysCallId::Dup, [&] { return ::fcntl(file.Get(), F_DUPFD_CLOEXEC, 0); }));
      if (!hold) fail(errno);
      RemoveAbandoned(path, name);
      return {std::move(name), std::move(file), std::move(hold)};
    }
    CannotCreate(target, EEXIST);
  }
};

SafeFileReplace::SafeFileReplace(const std::string& target, const FileReplaceOptions& options)
    : SafeFileReplace(Temporary::Create(target, options.newFileMode), target, options)
{
}

SafeFileReplace::SafeFileReplace(Temporary temporary, const std::string& target, const FileReplaceOptions& options)
    : TFileStream(std::move(temporary.name), std::move(temporary.file)), target_(target), options_(options),
      hold_(std::move(temporary.hold))
{
}

SafeFileReplace::~SafeFileReplace()
{
  if (!committed_ && !failure_) RemoveTemporary();
}

void SafeFileReplace::RemoveTemporary() noexcept
{
  (void)CloseFile();
  (void)SysCall(SysCallId::Unlink, [&] { return ::unlink(FileName().c_str()); });
  hold_.Reset();
}

void SafeFileReplace::Fail(const char* operation, int code, std::string message)
{
  RemoveTemporary();
  failure_.emplace(operation, code, std::move(message));
  throw *failure_;
}

std::size_t SafeFileReplace::Write(const void* buffer, std::size_t count)
{
  if (failure_) throw *failure_;
  if (committed_) {
    throw EFileReplaceError("write", EBADF,
                            Format("Cannot write \"%s\". %s", ExpandFileName(target_), SystemErrorText(EBADF)));
  }
  std::size_t written = TFileStream::Write(buffer, count);
  if (written != count)
    Fail("write", LastError(), Format("Cannot write \"%s\". %s", ExpandFileName(target_), SystemErrorText(LastError())));
  return written;
}

void SafeFileReplace::Commit()
{
  if (failure_) throw *failure_;
  if (committed_) return;
  auto cannotWrite = [&](const char* operation, int code) {
    Fail(operation, code, Format("Cannot write \"%s\". %s", ExpandFileName(target_), SystemErrorText(code)));
  };
  struct stat previous {};
  bool exists = SysCall(SysCallId::Stat, [&] { return ::stat(target_.c_str(), &previous); }) == 0;
  // What the user or an administrator set on the file outlives its content; the set-id
  // bits do not, a new content is no longer what they were granted to.
  const unsigned mode = previous.st_mode & 0777;
  if (exists && SysCall(SysCallId::Fchmod, [&] { return ::fchmod(Handle(), mode); }) != 0)
    cannotWrite("fchmod", errno);
  if (SysCall(SysCallId::Fsync, [&] { return ::fsync(Handle()); }) != 0) cannotWrite("fsync", errno);
  // A network file system reports some failed writes only here.
  if (int error = CloseFile(); error != 0) cannotWrite("close", error);
  if (options_.keepBackup && exists) KeepBackup(target_ + ".bak", mode);
  if (SysCall(SysCallId::Rename, [&] { return ::rename(FileName().c_str(), target_.c_str()); }) != 0) {
    int error = errno;
    Fail("rename", error, Format("Cannot replace \"%s\". %s", ExpandFileName(target_), SystemErrorText(error)));
  }
  committed_ = true;
  hold_.Reset();
  // The rename reaches the disk with the folder. A folder that cannot be synced leaves
  // the name, after a power loss, on the old file or the new one, each whole; the
  // replace has happened either way, so this is not reported as its failure.
  std::string folder = Split(target_).folder;
  UniqueFd dir(SysCall(SysCallId::Open, [&] { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (dir) (void)SysCall(SysCallId::Fsync, [&] { return ::fsync(dir.Get()); });
}

void SafeFileReplace::KeepBackup(const std::string& backup, unsigned mode)
{
  auto cannotKeep = [&](const char* operation, int code) {
    Fail(operation, code,
         Format("Cannot keep the previous \"%s\" as \"%s\". %s", ExpandFileName(target_), ExpandFileName(backup),
                SystemErrorText(code)));
  };
  // A link, not a rename: the target keeps its name until the new file takes it. A save
  // of the same target by another program may put its own backup in between (EEXIST),
  // or its new file in the target's place just as the link is made (ENOENT, for the
  // file the name held a moment ago).
  for (int attempt = 0;; ++attempt) {
    if (SysCall(SysCallId::Unlink, [&] { return ::unlink(backup.c_str()); }) != 0 && errno != ENOENT)
      cannotKeep("unlink", errno);
    if (SysCall(SysCallId::Link, [&] { return ::link(target_.c_str(), backup.c_str()); }) == 0) return;
    if ((errno != EEXIST && errno != ENOENT) || attempt == 10) break;
  }
  int error = errno;
  if (error != EPERM && error != EOPNOTSUPP && error != EMLINK) cannotKeep("link", error);
  // A file system without hard links (FAT on a memory stick): a copy keeps the target
  // in place all the same.
  try {
    TFileStream previous(target_, FileMode::OpenRead);
    SafeFileReplace copy(backup, {.keepBackup = false, .newFileMode = mode});
    copy.CopyFrom(previous, previous.GetSize());
    copy.Commit();
  } catch (const EOSError& e) {
    cannotKeep(e.Operation().c_str(), e.Code());
  } catch (const EStreamError&) {
    cannotKeep("read", EIO);
  }
}

void SafeReplaceFile(const std::string& target, std::string_view bytes, const FileReplaceOptions& options)
{
  SafeFileReplace file(target, options);
  file.WriteBuffer(bytes.data(), bytes.size());
  file.Commit();
}
