#include "platform/LastSaveFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "platform/HomeFolder.h"
#include "platform/SafeFileReplace.h"
#include "platform/SysFault.h"
#include "platform/UniqueFd.h"

namespace {

constexpr const char* kFileName = "save-folder.txt";
// Longer than any path the system takes: such a file is not ours.
constexpr std::size_t kLongestText = 4096;

// The folder the file names, or nothing when it cannot be read or names none.
std::optional<std::string> ReadFolder(const std::string& file)
{
  UniqueFd fd(SysCall(SysCallId::Open, [&] { return ::open(file.c_str(), O_RDONLY | O_CLOEXEC); }));
  if (!fd) return std::nullopt;
  std::string text;
  char block[1024];
  for (;;) {
    const ssize_t n = SysCall(SysCallId::Read, [&] { return ::read(fd.Get(), block, sizeof block); });
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    text.append(block, static_cast<std::size_t>(n));
    if (text.size() > kLongestText) return std::nullopt;
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.empty() || text[0] != '/' || text.find_first_of(std::string("\n\0", 2)) != std::string::npos)
    return std::nullopt;
  return text;
}

bool IsFolder(const std::string& path)
{
  struct stat st{};
  return SysCall(SysCallId::Stat, [&] { return ::stat(path.c_str(), &st); }) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string LastSaveFolder::FilePath() const
{
  return store_.Folder() + "/" + kFileName;
}

std::string LastSaveFolder::InitialFolder() const
{
  if (!store_.Folder().empty()) {
    if (auto folder = ReadFolder(FilePath()); folder && IsFolder(*folder)) return *folder;
  }
  std::string home = UserHomeFolder();
  return home.empty() ? "/" : home;
}

void LastSaveFolder::Remember(const std::string& path)
{
  const std::size_t slash = path.rfind('/');
  if (path.empty() || path[0] != '/' || slash == std::string::npos) return;
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  store_.CreateFolder();
  SafeReplaceFile(FilePath(), folder + "\n", {.keepBackup = false, .newFileMode = 0600});
}
