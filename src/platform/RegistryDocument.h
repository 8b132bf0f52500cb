#pragma once

#include <cstdint>
#include <map>
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

enum class RegistryValueType { String, Dword };

struct RegistryValue {
  RegistryValueType type = RegistryValueType::String;
  std::string text;           // String
  std::uint32_t number = 0;   // Dword

  static RegistryValue String(std::string text) { return {RegistryValueType::String, std::move(text), 0}; }
  static RegistryValue Dword(std::uint32_t number) { return {RegistryValueType::Dword, {}, number}; }
  bool operator==(const RegistryValue&) const = default;
};

// How the INI wrappers read a value of either kind: a number as its decimal text; a
// text as a number when it is one (decimal with an optional sign, or hexadecimal after
// "$" or "0x", within 32 bits).
std::string RegistryValueText(const RegistryValue& value);
std::optional<int> RegistryValueInteger(const RegistryValue& value);

// The settings store's keys and values, held in memory, and its text: UTF-8, a heading
// comment, then one block per key,
//
//   [SOFTWARE\Nordwick\Mirel\1.0\MB]
//   "rtu_device"="/dev/ttyUSB0"
//   "Width"=dword:0000028d
//
// names and texts quoted with \\ \" \n \r \t \xHH escapes, keys in the order of their
// folded names, values in the order they were first written.
//
// Keys are paths as the Windows registry names them ("\SOFTWARE\Nordwick\Mirel\1.0"),
// relative to the user's root; a leading backslash and empty parts are ignored. Key and
// value names keep the case they were written with and compare without case (Latin and
// Cyrillic letters), as the registry does. No file is touched here.
class RegistryDocument {
public:
  // Raises ERegistryException naming `fileName` and the line that is not of a store.
  static RegistryDocument Parse(std::string_view text, const std::string& fileName);
  std::string Serialize() const;

  bool KeyExists(std::string_view key) const;
  // Direct subkeys, in name order.
  std::vector<std::string> SubKeyNames(std::string_view key) const;
  // In the order they were first written.
  std::vector<std::string> ValueNames(std::string_view key) const;
  std::optional<RegistryValue> ReadValue(std::string_view key, std::string_view name) const;

  // Creates the key and every key above it; false when the key was there already.
  bool CreateKey(std::string_view key);
  // Creates the key when needed; a value of that name is replaced.
  void WriteValue(std::string_view key, std::string_view name, const RegistryValue& value);
  // False when there was nothing to delete.
  bool DeleteValue(std::string_view key, std::string_view name);
  // The key with every subkey and value under it.
  bool DeleteKey(std::string_view key);

  // "\A\\B\" -> "A\B"; a control character in a name raises ERegistryException.
  static std::string NormalKey(std::string_view key);
  // Joins a key and a relative path (a section such as "ScanEthDialog\Screen1920x1080").
  static std::string JoinKey(std::string_view key, std::string_view subKey);

private:
  struct Value {
    std::string name;
    RegistryValue value;
  };
  struct Key {
    std::string path;  // as first written
    std::vector<Value> values;
  };

  Key& Add(const std::string& path);
  const Key* Find(const std::string& path) const;
  Key* Find(const std::string& path);
  // The value's place in key.values; its size when there is none.
  static std::size_t IndexOf(const Key& key, std::string_view name);
  static void Set(Key& key, std::string_view name, const RegistryValue& value);
  bool HasBelow(const std::string& folded) const;
  bool AllBelowBeginWith(const std::string& folded, const std::string& path) const;

  std::map<std::string, Key> keys_;  // by folded path
};
