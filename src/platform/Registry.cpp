#include "platform/Registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/Format.h"

// ---- system calls ---------------------------------------------------------------------

int RegistryIo::Open(const char* path, int flags, unsigned mode) { return ::open(path, flags, mode); }
long RegistryIo::Read(int fd, void* buffer, std::size_t count) { return ::read(fd, buffer, count); }
long RegistryIo::Write(int fd, const void* buffer, std::size_t count) { return ::write(fd, buffer, count); }
int RegistryIo::Fsync(int fd) { return ::fsync(fd); }
int RegistryIo::Close(int fd) { return ::close(fd); }
int RegistryIo::Rename(const char* from, const char* to) { return ::rename(from, to); }
int RegistryIo::Unlink(const char* path) { return ::unlink(path); }
int RegistryIo::Mkdir(const char* path, unsigned mode) { return ::mkdir(path, mode); }
int RegistryIo::Mkstemp(char* pathTemplate) { return ::mkostemp(pathTemplate, O_CLOEXEC); }
int RegistryIo::Flock(int fd, int operation) { return ::flock(fd, operation); }

RegistryIo& RegistryIo::System()
{
  static RegistryIo io;
  return io;
}

namespace {

constexpr const char* kStoreName = "registry.txt";
constexpr const char* kLockName = "registry.lock";
constexpr const char* kHeading = "; Kestrel settings: the current user's registry. UTF-8, one [key] a block.";

[[noreturn]] void Fail(const char* what, const std::string& path, int error)
{
  throw ERegistryException(Format("Settings store: cannot %s \"%s\". %s", what, path, std::strerror(error)));
}

// Case folding for names: ASCII letters and the Cyrillic capitals (U+0400..U+042F) in
// UTF-8; other bytes stay as they are.
std::string Fold(std::string_view name)
{
  std::string out(name);
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c - 'A' + 'a');
    } else if ((c == 0xD0 || c == 0xD1) && i + 1 < out.size()) {
      unsigned code = (c & 0x1F) << 6 | (static_cast<unsigned char>(out[i + 1]) & 0x3F);
      unsigned lower = code;
      if (code >= 0x410 && code <= 0x42F) lower = code + 0x20;       // А..Я
      else if (code >= 0x400 && code <= 0x40F) lower = code + 0x50;  // Ѐ..Џ, Ё among them
      out[i] = static_cast<char>(0xC0 | lower >> 6);
      out[i + 1] = static_cast<char>(0x80 | (lower & 0x3F));
      ++i;
    }
  }
  return out;
}

bool HasControl(std::string_view text)
{
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// "\A\\B\" -> "A\B".
std::string NormalKey(std::string_view key)
{
  std::string out;
  std::size_t i = 0;
  while (i <= key.size()) {
    std::size_t end = key.find('\\', i);
    if (end == std::string_view::npos) end = key.size();
    if (end > i) {
      if (!out.empty()) out += '\\';
      out.append(key.substr(i, end - i));
    }
    i = end + 1;
  }
  if (HasControl(out)) throw ERegistryException(Format("Settings store: invalid key name \"%s\"", out));
  return out;
}

std::string Quote(std::string_view text)
{
  std::string out = "\"";
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    switch (ch) {
    case '\\': out += "\\\\"; break;
    case '"': out += "\\\""; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    default:
      if (c < 0x20 || c == 0x7F) out += Format("\\x%02x", c);
      else out += ch;
    }
  }
  return out + "\"";
}

int HexDigit(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text at line[i]; i ends behind the closing quote.
bool Unquote(std::string_view line, std::size_t& i, std::string& out)
{
  if (i >= line.size() || line[i] != '"') return false;
  for (++i; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      ++i;
      return true;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= line.size()) return false;
    switch (line[i]) {
    case '\\': out += '\\'; break;
    case '"': out += '"'; break;
    case 'n': out += '\n'; break;
    case 'r': out += '\r'; break;
    case 't': out += '\t'; break;
    case 'x': {
      if (i + 2 >= line.size()) return false;
      int high = HexDigit(line[i + 1]), low = HexDigit(line[i + 2]);
      if (high < 0 || low < 0) return false;
      out += static_cast<char>(high << 4 | low);
      i += 2;
      break;
    }
    default: return false;
    }
  }
  return false;
}

}  // namespace

// ---- the store held in memory ---------------------------------------------------------

class Registry::Store {
public:
  struct Value {
    std::string name;
    RegistryValue value;
  };
  struct Key {
    std::string path;  // as first written
    std::vector<Value> values;
  };

  static Store Parse(std::string_view text, const std::string& path)
  {
    Store store;
    Key* key = nullptr;
    unsigned number = 0;
    while (!text.empty()) {
      std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      ++number;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.empty() || line[0] == ';') continue;
      auto damaged = [&] {
        return ERegistryException(Format("Settings store: \"%s\" is damaged at line %u", path, number));
      };
      if (line[0] == '[') {
        std::size_t close = line.rfind(']');
        if (close == std::string_view::npos || close != line.size() - 1) throw damaged();
        key = &store.Add(NormalKey(line.substr(1, close - 1)));
        continue;
      }
      std::size_t i = 0;
      std::string name;
      if (!key || !Unquote(line, i, name) || i >= line.size() || line[i] != '=') throw damaged();
      std::string_view rest = line.substr(i + 1);
      RegistryValue value;
      if (rest.substr(0, 6) == "dword:") {
        std::string_view digits = rest.substr(6);
        if (digits.empty() || digits.size() > 8) throw damaged();
        std::uint32_t n = 0;
        for (char c : digits) {
          int d = HexDigit(c);
          if (d < 0) throw damaged();
          n = n << 4 | static_cast<std::uint32_t>(d);
        }
        value = RegistryValue::Dword(n);
      } else {
        std::size_t j = 0;
        std::string textValue;
        if (!Unquote(rest, j, textValue) || j != rest.size()) throw damaged();
        value = RegistryValue::String(std::move(textValue));
      }
      Set(*key, name, value);
    }
    return store;
  }

  std::string Serialize() const
  {
    std::string out = kHeading;
    out += '\n';
    for (const auto& [folded, key] : keys_) {
      // A key above others is implied by them; only an empty leaf needs a line of its own.
      if (key.values.empty() && HasBelow(folded)) continue;
      out += "\n[" + key.path + "]\n";
      for (const auto& v : key.values) {
        out += Quote(v.name) + "=";
        out += v.value.type == RegistryValueType::Dword ? Format("dword:%08x", v.value.number) : Quote(v.value.text);
        out += '\n';
      }
    }
    return out;
  }

  // The key and every key above it.
  Key& Add(const std::string& path)
  {
    Key* key = nullptr;
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '\\') {
        std::string part = path.substr(0, i);
        auto [it, added] = keys_.try_emplace(Fold(part), Key{part, {}});
        key = &it->second;
      }
    }
    return *key;
  }

  Key* Find(const std::string& path)
  {
    auto it = keys_.find(Fold(path));
    return it == keys_.end() ? nullptr : &it->second;
  }

  // A key that was never written itself exists while a key below it does.
  bool Exists(const std::string& path) const
  {
    if (path.empty()) return true;
    std::string folded = Fold(path);
    return std::any_of(keys_.begin(), keys_.end(),
                       [&](const auto& entry) { return entry.first == folded || IsBelow(entry.first, folded); });
  }

  std::vector<std::string> Children(const std::string& path) const
  {
    std::string folded = Fold(path);
    std::map<std::string, std::string> names;  // folded -> as written
    for (const auto& [k, key] : keys_) {
      if (!folded.empty() && !IsBelow(k, folded)) continue;
      if (k.empty() || k == folded) continue;
      std::size_t start = folded.empty() ? 0 : folded.size() + 1;
      std::size_t end = k.find('\\', start);
      std::string name = key.path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      names.try_emplace(Fold(name), name);
    }
    std::vector<std::string> out;
    for (auto& [f, name] : names) out.push_back(name);
    return out;
  }

  bool Remove(const std::string& path)
  {
    std::string folded = Fold(path);
    bool removed = false;
    for (auto it = keys_.begin(); it != keys_.end();) {
      if (it->first == folded || folded.empty() || IsBelow(it->first, folded)) {
        it = keys_.erase(it);
        removed = true;
      } else {
        ++it;
      }
    }
    return removed;
  }

  static Value* FindValue(Key& key, std::string_view name)
  {
    std::string folded = Fold(name);
    for (auto& v : key.values) {
      if (Fold(v.name) == folded) return &v;
    }
    return nullptr;
  }

  static void Set(Key& key, std::string_view name, const RegistryValue& value)
  {
    if (Value* v = FindValue(key, name)) v->value = value;
    else key.values.push_back({std::string(name), value});
  }

private:
  bool HasBelow(const std::string& folded) const
  {
    return std::any_of(keys_.begin(), keys_.end(), [&](const auto& entry) { return IsBelow(entry.first, folded); });
  }
  static bool IsBelow(const std::string& folded, const std::string& parent)
  {
    return folded.size() > parent.size() && folded.compare(0, parent.size(), parent) == 0 &&
           folded[parent.size()] == '\\';
  }

  std::map<std::string, Key> keys_;  // by folded path
};

// ---- Registry -------------------------------------------------------------------------

Registry::Registry() : Registry(DefaultFolder()) {}

Registry::Registry(std::string folder, RegistryIo& io) : folder_(std::move(folder)), io_(&io)
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
  std::string home = env("HOME");
  if (home.empty()) {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  return home.empty() ? std::string() : home + "/.config/kestrel";
}

std::string Registry::StorePath() const
{
  if (folder_.empty()) throw ERegistryException("Settings store: no folder (neither KESTREL_CONFIG_HOME nor HOME is set)");
  return folder_ + "/" + kStoreName;
}

std::string Registry::JoinKey(std::string_view key, std::string_view subKey)
{
  std::string joined(key);
  joined += '\\';
  joined += subKey;
  return NormalKey(joined);
}

Registry::Store Registry::Load() const
{
  std::string path = StorePath();
  int fd;
  do {
    fd = io_->Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    Fail("read", path, errno);
  }
  std::string text;
  char block[8192];
  for (;;) {
    long n = io_->Read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      io_->Close(fd);
      Fail("read", path, error);
    }
    if (n == 0) break;
    text.append(block, static_cast<std::size_t>(n));
  }
  io_->Close(fd);
  return Store::Parse(text, path);
}

void Registry::Save(const Store& store)
{
  std::string path = StorePath();
  std::string text = store.Serialize();
  std::string temp = path + ".XXXXXX";
  int fd = io_->Mkstemp(temp.data());
  if (fd < 0) Fail("create a file beside", path, errno);
  auto abandon = [&](int error) {
    if (fd >= 0) io_->Close(fd);
    io_->Unlink(temp.c_str());
    Fail("write", path, error);
  };
  for (std::size_t done = 0; done < text.size();) {
    long n = io_->Write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) abandon(n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  if (io_->Fsync(fd) != 0) abandon(errno);
  int closed = io_->Close(fd);
  fd = -1;
  if (closed != 0) abandon(errno);
  if (io_->Rename(temp.c_str(), path.c_str()) != 0) abandon(errno);
}

void Registry::Change(const std::function<bool(Store&)>& change)
{
  StorePath();  // no folder: raise before touching anything
  // The folder and those above it; an existing one is fine.
  for (std::size_t i = 1; i <= folder_.size(); ++i) {
    if (i != folder_.size() && folder_[i] != '/') continue;
    std::string part = folder_.substr(0, i);
    if (io_->Mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) Fail("create the folder", part, errno);
  }
  // Changes are read-modify-write of the whole file: the lock keeps two writers (two
  // runs of the program, or two stores in one) from losing each other's changes.
  std::string lockPath = folder_ + "/" + kLockName;
  int lock = io_->Open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) Fail("open", lockPath, errno);
  struct Unlock {
    RegistryIo* io;
    int fd;
    ~Unlock() { io->Close(fd); }
  } unlock{io_, lock};
  int locked;
  do {
    locked = io_->Flock(lock, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) Fail("lock", lockPath, errno);
  Store store = Load();
  if (change(store)) Save(store);
}

bool Registry::KeyExists(std::string_view key) const { return Load().Exists(NormalKey(key)); }

std::vector<std::string> Registry::SubKeyNames(std::string_view key) const { return Load().Children(NormalKey(key)); }

std::vector<std::string> Registry::ValueNames(std::string_view key) const
{
  Store store = Load();
  std::vector<std::string> names;
  if (Store::Key* k = store.Find(NormalKey(key))) {
    for (const auto& v : k->values) names.push_back(v.name);
  }
  return names;
}

std::optional<RegistryValue> Registry::ReadValue(std::string_view key, std::string_view name) const
{
  Store store = Load();
  Store::Key* k = store.Find(NormalKey(key));
  if (!k) return std::nullopt;
  Store::Value* v = Store::FindValue(*k, name);
  if (!v) return std::nullopt;
  return v->value;
}

void Registry::CreateKey(std::string_view key)
{
  std::string path = NormalKey(key);
  Change([&](Store& store) {
    if (store.Find(path)) return false;
    store.Add(path);
    return true;
  });
}

void Registry::WriteValue(std::string_view key, std::string_view name, const RegistryValue& value)
{
  std::string path = NormalKey(key);
  Change([&](Store& store) {
    Store::Set(store.Add(path), name, value);
    return true;
  });
}

bool Registry::DeleteValue(std::string_view key, std::string_view name)
{
  std::string path = NormalKey(key);
  bool deleted = false;
  Change([&](Store& store) {
    Store::Key* k = store.Find(path);
    if (!k) return false;
    std::string folded = Fold(name);
    auto it = std::find_if(k->values.begin(), k->values.end(), [&](const auto& v) { return Fold(v.name) == folded; });
    if (it == k->values.end()) return false;
    k->values.erase(it);
    deleted = true;
    return true;
  });
  return deleted;
}

bool Registry::DeleteKey(std::string_view key)
{
  std::string path = NormalKey(key);
  bool deleted = false;
  Change([&](Store& store) { return deleted = store.Remove(path); });
  return deleted;
}

// ---- INI-style wrappers ---------------------------------------------------------------

namespace {

// Decimal with an optional sign, or hexadecimal after "$" or "0x"; within 32 bits.
std::optional<int> ParseInteger(std::string_view text)
{
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.substr(0, 1) == "$") {
    base = 16;
    text.remove_prefix(1);
  } else if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    int d = HexDigit(c);
    if (d < 0 || static_cast<unsigned>(d) >= base) return std::nullopt;
    value = value * base + d;
    if (value > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL)) return std::nullopt;
  }
  if (base == 16 && !negative) return static_cast<int>(static_cast<std::uint32_t>(value));
  if (negative) value = -value;
  if (value > 0x7FFFFFFF || value < -0x7FFFFFFFLL - 1) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

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
  if (!value) return std::string(defaultValue);
  return value->type == RegistryValueType::Dword ? std::to_string(value->number) : value->text;
}

void RegistryIniFile::WriteString(std::string_view section, std::string_view name, std::string_view value)
{
  Write(section, name, RegistryValue::String(std::string(value)));
}

int RegistryIniFile::ReadInteger(std::string_view section, std::string_view name, int defaultValue) const
{
  auto value = registry_.ReadValue(SectionKey(section), name);
  if (!value) return defaultValue;
  if (value->type == RegistryValueType::Dword) return static_cast<int>(value->number);
  return ParseInteger(value->text).value_or(defaultValue);
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
