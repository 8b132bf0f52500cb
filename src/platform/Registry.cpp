#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/Format.h"
#include "platform/HomeFolder.h"
#include "platform/OSError.h"
#include "platform/SafeFileReplace.h"
#include "platform/SysFault.h"
#include "platform/UniqueFd.h"

namespace {

constexpr const char* kStoreName = "registry.txt";
constexpr const char* kLockName = "registry.lock";

[[noreturn]] void Fail(const char* what, const std::string& path, int error)
{
  throw ERegistryException(Format("Settings store: cannot %s \"%s\". %s", what, path, SystemErrorText(error)));
}

// The batches open on this thread, the last opened first.
thread_local RegistryBatch* openBatches = nullptr;

}  // namespace

// ---- Registry -------------------------------------------------------------------------

Registry::Registry() : Registry(DefaultFolder()) {}

Registry::Registry(std::string folder) : folder_(std::move(folder))
{
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
}

std::string Registry::DefaultFolder()
{
  auto env = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value ? value : "";
  };
  if (std::string own = env("KESTREL_CONFIG_HOME"); !own.empty()) return own;
  // The XDG rules ignore a relative XDG_CONFIG_HOME.
  if (std::string xdg = env("XDG_CONFIG_HOME"); !xdg.empty() && xdg[0] == '/') return xdg + "/kestrel";
  const std::string home = UserHomeFolder();
  return home.empty() ? std::string() : home + "/.config/kestrel";
}

std::string Registry::StorePath() const
{
  if (folder_.empty()) throw ERegistryException("Settings store: no folder (neither KESTREL_CONFIG_HOME nor HOME is set)");
  return folder_ + "/" + kStoreName;
}

std::string Registry::JoinKey(std::string_view key, std::string_view subKey)
{
  return RegistryDocument::JoinKey(key, subKey);
}

RegistryDocument Registry::Load() const
{
  std::string path = StorePath();
  UniqueFd fd(SysCall(SysCallId::Open, [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
  if (!fd) {
    if (errno == ENOENT) return {};
    Fail("read", path, errno);
  }
  std::string text;
  char block[8192];
  for (;;) {
    ssize_t n = SysCall(SysCallId::Read, [&] { return ::read(fd.Get(), block, sizeof block); });
    if (n < 0) Fail("read", path, errno);
    if (n == 0) break;
    text.append(block, static_cast<std::size_t>(n));
  }
  return RegistryDocument::Parse(text, path);
}

void Registry::CreateFolder() const
{
  StorePath();  // no folder: raise before touching anything
  // The folder and those above it; an existing one is fine.
  for (std::size_t i = 1; i <= folder_.size(); ++i) {
    if (i != folder_.size() && folder_[i] != '/') continue;
    std::string part = folder_.substr(0, i);
    if (SysCall(SysCallId::Mkdir, [&] { return ::mkdir(part.c_str(), 0700); }) != 0 && errno != EEXIST)
      Fail("create the folder", part, errno);
  }
}

bool Registry::WriteChanges(const std::vector<Change>& changes) const
{
  std::string path = StorePath();
  CreateFolder();
  // Changes are read-modify-write of the whole file: the lock keeps two writers (two
  // runs of the program, or two stores in one) from losing each other's changes.
  std::string lockPath = folder_ + "/" + kLockName;
  UniqueFd lock(
      SysCall(SysCallId::Open, [&] { return ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); }));
  if (!lock) Fail("open", lockPath, errno);
  if (SysCall(SysCallId::Flock, [&] { return ::flock(lock.Get(), LOCK_EX); }) != 0) Fail("lock", lockPath, errno);
  RegistryDocument document = Load();
  bool changed = false;
  for (const Change& change : changes) changed = change(document) || changed;
  if (!changed) return false;
  try {
    SafeReplaceFile(path, document.Serialize(), {.keepBackup = false, .newFileMode = 0600});
  } catch (const EFileReplaceError& e) {
    Fail(e.Operation() == "open" ? "create a file beside" : "write", path, e.Code());
  }
  return true;
}

template <typename Query>
auto Registry::Read(const Query& query) const
{
  if (RegistryBatch* batch = RegistryBatch::Open(folder_)) return query(std::as_const(batch->View()));
  const RegistryDocument document = Load();
  return query(document);
}

bool Registry::Apply(Change change)
{
  if (RegistryBatch* batch = RegistryBatch::Open(folder_)) {
    if (!change(batch->View())) return false;
    batch->changes_.push_back(std::move(change));
    return true;
  }
  return WriteChanges({std::move(change)});
}

bool Registry::KeyExists(std::string_view key) const
{
  return Read([&](const RegistryDocument& document) { return document.KeyExists(key); });
}

std::vector<std::string> Registry::SubKeyNames(std::string_view key) const
{
  return Read([&](const RegistryDocument& document) { return document.SubKeyNames(key); });
}

std::vector<std::string> Registry::ValueNames(std::string_view key) const
{
  return Read([&](const RegistryDocument& document) { return document.ValueNames(key); });
}

std::optional<RegistryValue> Registry::ReadValue(std::string_view key, std::string_view name) const
{
  return Read([&](const RegistryDocument& document) { return document.ReadValue(key, name); });
}

void Registry::CreateKey(std::string_view key)
{
  Apply([path = RegistryDocument::NormalKey(key)](RegistryDocument& document) { return document.CreateKey(path); });
}

void Registry::WriteValue(std::string_view key, std::string_view name, const RegistryValue& value)
{
  Apply([path = RegistryDocument::NormalKey(key), name = std::string(name), value](RegistryDocument& document) {
    document.WriteValue(path, name, value);
    return true;
  });
}

bool Registry::DeleteValue(std::string_view key, std::string_view name)
{
  return Apply([path = RegistryDocument::NormalKey(key), name = std::string(name)](RegistryDocument& document) {
    return document.DeleteValue(path, name);
  });
}

bool Registry::DeleteKey(std::string_view key)
{
  return Apply([path = RegistryDocument::NormalKey(key)](RegistryDocument& document) { return document.DeleteKey(path); });
}

// ---- RegistryBatch --------------------------------------------------------------------

RegistryBatch::RegistryBatch(Registry store) : store_(std::move(store))
{
  joined_ = Open(store_.Folder()) != nullptr;
  if (joined_) return;
  below_ = openBatches;
  openBatches = this;
}

RegistryBatch::~RegistryBatch()
{
  if (joined_) return;
  for (RegistryBatch** link = &openBatches; *link; link = &(*link)->below_) {
    if (*link == this) {
      *link = below_;
      break;
    }
  }
}

RegistryBatch* RegistryBatch::Open(const std::string& folder)
{
  for (RegistryBatch* batch = openBatches; batch; batch = batch->below_) {
    if (batch->store_.Folder() == folder) return batch;
  }
  return nullptr;
}

RegistryDocument& RegistryBatch::View()
{
  if (!view_) view_ = store_.Load();
  return *view_;
}

void RegistryBatch::Commit()
{
  if (joined_ || changes_.empty()) return;
  store_.WriteChanges(changes_);
  changes_.clear();
}

// ---- INI-style wrappers ---------------------------------------------------------------

RegistryIniFile::RegistryIniFile(std::string key, RegistryAccess access, Registry registry)
    : registry_(std::move(registry)), key_(std::move(key)), access_(access)
{
}

void RegistryIniFile::CheckWritable() const
{
  if (access_ != RegistryAccess::Write)
    throw ERegistryException(Format("Settings store: key \"%s\" is open for reading only", key_));
}

void RegistryIniFile::Write(std::string_view section, std::string_view name, const RegistryValue& value)
{
  CheckWritable();
  registry_.WriteValue(SectionKey(section), name, value);
}

std::string RegistryIniFile::ReadString(std::string_view section, std::string_view name,
                                        std::string_view defaultValue) const
{
  auto value = registry_.ReadValue(SectionKey(section), name);
  return value ? RegistryValueText(*value) : std::string(defaultValue);
}

void RegistryIniFile::WriteString(std::string_view section, std::string_view name, std::string_view value)
{
  Write(section, name, RegistryValue::String(std::string(value)));
}

int RegistryIniFile::ReadInteger(std::string_view section, std::string_view name, int defaultValue) const
{
  auto value = registry_.ReadValue(SectionKey(section), name);
  return value ? RegistryValueInteger(*value).value_or(defaultValue) : defaultValue;
}

bool RegistryIniFile::ReadBool(std::string_view section, std::string_view name, bool defaultValue) const
{
  return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

void RegistryIniFile::WriteBool(std::string_view section, std::string_view name, bool value)
{
  Write(section, name, RegistryValue::String(value ? "1" : "0"));
}

bool RegistryIniFile::SectionExists(std::string_view section) const { return registry_.KeyExists(SectionKey(section)); }

bool RegistryIniFile::ValueExists(std::string_view section, std::string_view name) const
{
  return registry_.ReadValue(SectionKey(section), name).has_value();
}

std::vector<std::string> RegistryIniFile::ReadSection(std::string_view section) const
{
  return registry_.ValueNames(SectionKey(section));
}

std::vector<std::string> RegistryIniFile::ReadSections() const { return registry_.SubKeyNames(key_); }

void RegistryIniFile::EraseSection(std::string_view section)
{
  CheckWritable();
  registry_.DeleteKey(SectionKey(section));
}

void RegistryIniFile::DeleteKey(std::string_view section, std::string_view name)
{
  CheckWritable();
  registry_.DeleteValue(SectionKey(section), name);
}

TRegIniFile::TRegIniFile(std::string key, RegistryAccess access, Registry registry)
    : RegistryIniFile(std::move(key), access, std::move(registry))
{
}

void TRegIniFile::WriteInteger(std::string_view section, std::string_view name, int value)
{
  Write(section, name, RegistryValue::String(std::to_string(value)));
}

TRegistryIniFile::TRegistryIniFile(std::string key, RegistryAccess access, Registry registry)
    : RegistryIniFile(std::move(key), access, std::move(registry))
{
}

void TRegistryIniFile::WriteInteger(std::string_view section, std::string_view name, int value)
{
  auto existing = registry_.ReadValue(SectionKey(section), name);
  if (existing && existing->type == RegistryValueType::String) Write(section, name, RegistryValue::String(std::to_string(value)));
  else Write(section, name, RegistryValue::Dword(static_cast<std::uint32_t>(value)));
}
