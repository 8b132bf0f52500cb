#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryDocument.h"

// The current user's settings, kept in one text file (registry.txt, in the text of
// RegistryDocument) in a folder of its own: $KESTREL_CONFIG_HOME when set, else
// $XDG_CONFIG_HOME/kestrel, else ~/.config/kestrel.
//
// Each call reads the file anew. Each change is a read-modify-write of the whole file
// under a lock (registry.lock beside it), the new file put in the old one's place by
// SafeFileReplace: the store is either the old or the new one, never a torn mix, and
// two programs that change it at once lose none of each other's changes. A new file is
// the owner's alone. A missing file is an empty store; one that cannot be read or parsed
// raises ERegistryException.
//
// Inside a RegistryBatch the changes are held back and written together (see there).
class Registry {
public:
  Registry();  // the store in DefaultFolder()
  explicit Registry(std::string folder);

  // Empty when no folder can be found (no HOME): every call on such a store raises.
  static std::string DefaultFolder();
  const std::string& Folder() const { return folder_; }
  std::string StorePath() const;
  // The folder and every one above it, the new ones the owner's alone; raises
  // ERegistryException.
  void CreateFolder() const;

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
  friend class RegistryBatch;
  // A change of the document; false when it found nothing to change. It may be made
  // again on a later reading of the file, so it holds its arguments by value.
  using Change = std::function<bool(RegistryDocument&)>;

  template <typename Query>
  auto Read(const Query& query) const;
  // What the change returned, made on the store as it stands.
  bool Apply(Change change);
  RegistryDocument Load() const;
  // False when no change found anything to change, and nothing was written.
  bool WriteChanges(const std::vector<Change>& changes) const;

  std::string folder_;
};

// Holds back the changes made on this thread through any Registry of the same folder
// while it lives, and writes them at Commit in one locked read-modify-write: a save of
// many values costs one read, one file written and synced, where each change alone
// costs all of that. Inside it, reads see the store as the batch first read it, with
// the batch's changes made on it. Commit makes the changes again on the file as it then
// is, so what another program wrote in between stays. Changes not committed when the
// batch ends are dropped. A batch opened inside another of the same folder joins it:
// the outer one writes.
class RegistryBatch {
public:
  explicit RegistryBatch(Registry store = Registry());
  ~RegistryBatch();
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;

  // Raises ERegistryException; the changes are then still held.
  void Commit();

private:
  friend class Registry;
  static RegistryBatch* Open(const std::string& folder);
  RegistryDocument& View();

  Registry store_;
  bool joined_ = false;
  RegistryBatch* below_ = nullptr;  // the batch opened before this one on this thread
  std::optional<RegistryDocument> view_;
  std::vector<Registry::Change> changes_;
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
