#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exception.h"

// Every failure of the settings store: a store that cannot be read or is damaged, a
// write that did not reach the disk, a write through a key opened for reading.
class ERegistryException : public Exception {
public:
  using Exception::Exception;
};

// The system calls of the store, one virtual each, so that a test can fail any of them.
// Return values and errno are those of the POSIX call of the same name.
class RegistryIo {
public:
  virtual ~RegistryIo() = default;
  virtual int Open(const char* path, int flags, unsigned mode);
  virtual long Read(int fd, void* buffer, std::size_t count);
  virtual long Write(int fd, const void* buffer, std::size_t count);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Rename(const char* from, const char* to);
  virtual int Unlink(const char* path);
  virtual int Mkdir(const char* path, unsigned mode);
  virtual int Mkstemp(char* pathTemplate);
  virtual int Flock(int fd, int operation);

  static RegistryIo& System();
};

enum class RegistryValueType { String, Dword };

struct RegistryValue {
  RegistryValueType type = RegistryValueType::String;
  std::string text;           // String
  std::uint32_t number = 0;   // Dword

  static RegistryValue String(std::string text) { return {RegistryValueType::String, std::move(text), 0}; }
  static RegistryValue Dword(std::uint32_t number) { return {RegistryValueType::Dword, {}, number}; }
  bool operator==(const RegistryValue&) const = default;
};

// The current user's settings, kept in one text file (registry.txt, UTF-8) in a folder
// of its own: $KESTREL_CONFIG_HOME when set, else $XDG_CONFIG_HOME/kestrel, else
// ~/.config/kestrel.
//
// Keys are paths as the Windows registry names them ("\SOFTWARE\Nordwick\Mirel\1.0"),
// relative to the user's root; a leading backslash and empty parts are ignored. Key and
// value names keep the case they were written with and compare without case (Latin and
// Cyrillic letters), as the registry does. A value is a text or a 32-bit number.
//
// Each call reads the file anew; each change rewrites it whole under a lock: into a
// temporary file in the same folder, synced, then renamed over the old one, so that the
// store is either the old or the new one, never a torn mix. A missing file is an empty
// store; one that cannot be read or parsed raises ERegistryException.
class Registry {
public:
  Registry();  // the store in DefaultFolder()
  explicit Registry(std::string folder, RegistryIo& io = RegistryIo::System());

  // Empty when no folder can be found (no HOME): every call on such a store raises.
  static std::string DefaultFolder();
  const std::string& Folder() const { return folder_; }
  std::string StorePath() const;

  bool KeyExists(std::string_view key) const;
  // Direct subkeys, in name order.
  std::vector<std::string> SubKeyNames(std::string_view key) const;
  // In the order they were first written.
  std::vector<std::string> ValueNames(std::string_view key) const;
  std::optional<RegistryValue> ReadValue(std::string_view key, std::string_view name) const;

  // Creates the key and every key above it.
  void CreateKey(std::string_view key);
  // Creates the key when needed; a value of that name is replaced.
  void WriteValue(std::string_view key, std::string_view name, const RegistryValue& value);
  // False when there was nothing to delete.
  bool DeleteValue(std::string_view key, std::string_view name);
  // The key with every subkey and value under it.
  bool DeleteKey(std::string_view key);

  // Joins a key and a relative path (a section such as "ScanEthDialog\Screen1920x1080").
  static std::string JoinKey(std::string_view key, std::string_view subKey);

private:
  class Store;
  Store Load() const;
  void Change(const std::function<bool(Store&)>& change);
  void Save(const Store& store);

  std::string folder_;
  RegistryIo* io_;
};

enum class RegistryAccess { Read, Write };

// Sections and named values on one registry key; a section is a subkey of it (and may
// itself be a path, "Form\Screen1920x1080"). Reads of a missing key, section or value
// give the default; a number is read from a number or from decimal text, and text that
// is not a number gives the default. Writes through a key opened for reading raise.
class RegistryIniFile {
public:
  const std::string& Key() const { return key_; }

  std::string ReadString(std::string_view section, std::string_view name, std::string_view defaultValue) const;
  void WriteString(std::string_view section, std::string_view name, std::string_view value);
  int ReadInteger(std::string_view section, std::string_view name, int defaultValue) const;
  // A flag is stored as the text "0" or "1"; any number other than 0 reads as true.
  bool ReadBool(std::string_view section, std::string_view name, bool defaultValue) const;
  void WriteBool(std::string_view section, std::string_view name, bool value);

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view name) const;
  std::vector<std::string> ReadSection(std::string_view section) const;  // value names
  std::vector<std::string> ReadSections() const;                          // subkey names
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view name);

protected:
  RegistryIniFile(std::string key, RegistryAccess access, Registry registry);
  std::string SectionKey(std::string_view section) const { return Registry::JoinKey(key_, section); }
  void Write(std::string_view section, std::string_view name, const RegistryValue& value);

  Registry registry_;

private:
  void CheckWritable() const;

  std::string key_;
  RegistryAccess access_;
};

// The connection settings' wrapper: integers are stored as decimal text.
class TRegIniFile : public RegistryIniFile {
public:
  explicit TRegIniFile(std::string key, RegistryAccess access = RegistryAccess::Write, Registry registry = {});
  void WriteInteger(std::string_view section, std::string_view name, int value);
};

// The scan dialogs' and placement wrapper: integers are stored as 32-bit numbers, except
// that a value that already exists as text stays text.
class TRegistryIniFile : public RegistryIniFile {
public:
  explicit TRegistryIniFile(std::string key, RegistryAccess access = RegistryAccess::Write, Registry registry = {});
  void WriteInteger(std::string_view section, std::string_view name, int value);
};
