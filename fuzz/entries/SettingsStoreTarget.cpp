// settings_store: the settings store's file as the program finds it on disk, read
// through the store and its INI wrappers the way the dialogs read their settings, then
// written back; the store read again must hold what it held.

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "FuzzTargets.h"
#include "platform/Registry.h"

namespace fuzzing {
namespace {

constexpr const char* kFolder = "/fuzz-settings";
constexpr int kStoreFd = 100, kLockFd = 101, kTempFd = 102;

// The store's file in memory: the store reads it, writes a temporary file and renames
// it over the old one through these calls alone.
class MemoryIo final : public RegistryIo {
public:
  explicit MemoryIo(std::span<const std::uint8_t> file) : file_(std::in_place, file.begin(), file.end()) {}

  int Open(const char* path, int flags, unsigned) override
  {
    if (std::strstr(path, "registry.lock")) return kLockFd;
    if (!(flags & O_CREAT) && file_) {
      readPos_ = 0;
      return kStoreFd;
    }
    errno = ENOENT;
    return -1;
  }
  long Read(int fd, void* buffer, std::size_t count) override
  {
    if (fd != kStoreFd) return Fail(EBADF);
    // In small blocks, as a slow disk may hand them over.
    std::size_t n = std::min({count, file_->size() - readPos_, std::size_t(777)});
    if (n) std::memcpy(buffer, file_->data() + readPos_, n);
    readPos_ += n;
    return static_cast<long>(n);
  }
  long Write(int fd, const void* buffer, std::size_t count) override
  {
    if (fd != kTempFd) return Fail(EBADF);
    auto bytes = static_cast<const char*>(buffer);
    temp_.insert(temp_.end(), bytes, bytes + count);
    return static_cast<long>(count);
  }
  int Fsync(int) override { return 0; }
  int Close(int) override { return 0; }
  int Rename(const char*, const char*) override
  {
    file_ = std::move(temp_);
    temp_.clear();
    return 0;
  }
  int Unlink(const char*) override { return 0; }
  int Mkdir(const char*, unsigned) override { return Fail(EEXIST); }
  int Mkstemp(char*) override
  {
    temp_.clear();
    return kTempFd;
  }
  int Flock(int, int) override { return 0; }

private:
  static int Fail(int error)
  {
    errno = error;
    return -1;
  }

  std::optional<std::vector<char>> file_;
  std::size_t readPos_ = 0;
  std::vector<char> temp_;
};

struct KeyContents {
  std::string path;
  std::vector<std::pair<std::string, RegistryValue>> values;
  bool operator==(const KeyContents&) const = default;
};

// Every call of the store reads and parses the whole file again: a walk of the first
// keys and values keeps a run in the milliseconds and still sees every line parsed.
constexpr std::size_t kWalkKeys = 12;
constexpr std::size_t kWalkValues = 4;

// The keys from the root down by SubKeyNames, with their values as ReadValue gives them.
void Walk(const Registry& registry, const std::string& key, std::vector<KeyContents>& out, unsigned depth = 0)
{
  KeyContents contents{key, {}};
  for (const std::string& name : registry.ValueNames(key)) {
    if (contents.values.size() == kWalkValues) break;
    auto value = registry.ReadValue(key, name);
    if (!value) Finding("a value the store lists does not read");
    contents.values.emplace_back(name, *value);
  }
  out.push_back(std::move(contents));
  for (const std::string& child : registry.SubKeyNames(key)) {
    if (child.empty() || child.find('\\') != std::string::npos) Finding("a subkey name is not one part of a path: " + child);
    // Each level adds a part, so a walk deeper than the file has lines goes round in
    // circles.
    if (depth > 4096) Finding("the key tree has no bottom");
    if (out.size() == kWalkKeys) return;
    Walk(registry, Registry::JoinKey(key, child), out, depth + 1);
  }
}

// The connection settings dialog's and the scan dialogs' way of reading their sections.
void ReadAsDialogs(const Registry& registry)
{
  TRegIniFile ini("\\SOFTWARE\\Nordwick\\Mirel\\1.0", RegistryAccess::Read, registry);
  auto sections = ini.ReadSections();
  sections.resize(std::min(sections.size(), kWalkValues));
  for (const std::string& section : sections) {
    auto names = ini.ReadSection(section);
    names.resize(std::min(names.size(), kWalkValues));
    for (const std::string& name : names) {
      (void)ini.ReadString(section, name, "");
      (void)ini.ReadInteger(section, name, -1);
      (void)ini.ReadBool(section, name, false);
    }
  }
}

}  // namespace

bool FuzzSettingsStore(std::span<const std::uint8_t> input)
{
  MemoryIo io(input);
  Registry registry(kFolder, io);
  std::vector<KeyContents> before;
  try {
    Walk(registry, "", before);
    ReadAsDialogs(registry);
  } catch (const Exception& e) {
    return Refused(e);
  }

  // Rewrite a value as it is (or give an empty key its first value), which makes the
  // store write the whole file anew.
  std::vector<KeyContents> expected = before;
  try {
    auto withValue = std::find_if(before.begin(), before.end(), [](const KeyContents& k) { return !k.values.empty(); });
    if (withValue != before.end()) {
      registry.WriteValue(withValue->path, withValue->values.front().first, withValue->values.front().second);
    } else {
      KeyContents& key = expected.back();
      key.values.emplace_back("probe", RegistryValue::Dword(7));
      registry.WriteValue(key.path, "probe", RegistryValue::Dword(7));
    }
  } catch (const Exception& e) {
    Finding("a store that reads refused a rewrite of its own value: " + e.Message());
  }
  std::vector<KeyContents> after;
  try {
    Walk(registry, "", after);
  } catch (const Exception& e) {
    Finding("the store does not read what it wrote: " + e.Message());
  }
  if (after != expected) Finding("the store reads back other than it held");
  return true;
}

}  // namespace fuzzing
