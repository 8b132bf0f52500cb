// settings_store: the settings store's file as the program finds it on disk, parsed by
// the store's text format and read the way the dialogs read their settings, then
// written back; the text read again must hold what it held.

#include <algorithm>

#include "FuzzTargets.h"
#include "platform/RegistryDocument.h"

namespace fuzzing {
namespace {

constexpr const char* kFileName = "/fuzz-settings/registry.txt";

struct KeyContents {
  std::string path;
  std::vector<std::pair<std::string, RegistryValue>> values;
  bool operator==(const KeyContents&) const = default;
};

// Each query looks through every key: a walk of the first keys and values keeps a run
// in the milliseconds and still sees every line parsed.
constexpr std::size_t kWalkKeys = 12;
constexpr std::size_t kWalkValues = 4;

// The keys from the root down by SubKeyNames, with their values as ReadValue gives them.
void Walk(const RegistryDocument& document, const std::string& key, std::vector<KeyContents>& out, unsigned depth = 0)
{
  KeyContents contents{key, {}};
  for (const std::string& name : document.ValueNames(key)) {
    if (contents.values.size() == kWalkValues) break;
    auto value = document.ReadValue(key, name);
    if (!value) Finding("a value the store lists does not read");
    contents.values.emplace_back(name, *value);
  }
  out.push_back(std::move(contents));
  for (const std::string& child : document.SubKeyNames(key)) {
    if (child.empty() || child.find('\\') != std::string::npos) Finding("a subkey name is not one part of a path: " + child);
    // Each level adds a part, so a walk deeper than the file has lines goes round in
    // circles.
    if (depth > 4096) Finding("the key tree has no bottom");
    if (out.size() == kWalkKeys) return;
    Walk(document, RegistryDocument::JoinKey(key, child), out, depth + 1);
  }
}

// The connection settings dialog's and the scan dialogs' way of reading their sections:
// every value as text and as a number.
void ReadAsDialogs(const RegistryDocument& document)
{
  const std::string key = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";
  auto sections = document.SubKeyNames(key);
  sections.resize(std::min(sections.size(), kWalkValues));
  for (const std::string& section : sections) {
    const std::string sectionKey = RegistryDocument::JoinKey(key, section);
    auto names = document.ValueNames(sectionKey);
    names.resize(std::min(names.size(), kWalkValues));
    for (const std::string& name : names) {
      auto value = document.ReadValue(sectionKey, name);
      if (!value) Finding("a value the store lists does not read");
      (void)RegistryValueText(*value);
      (void)RegistryValueInteger(*value);
    }
  }
}

}  // namespace

bool FuzzSettingsStore(std::span<const std::uint8_t> input)
{
  RegistryDocument document;
  std::vector<KeyContents> before;
  try {
    document = RegistryDocument::Parse({reinterpret_cast<const char*>(input.data()), input.size()}, kFileName);
    Walk(document, "", before);
    ReadAsDialogs(document);
  } catch (const Exception& e) {
    return Refused(e);
  }

  // Rewrite a value as it is (or give an empty key its first value), as a save of the
  // store does before it writes the whole text anew.
  std::vector<KeyContents> expected = before;
  try {
    auto withValue = std::find_if(before.begin(), before.end(), [](const KeyContents& k) { return !k.values.empty(); });
    if (withValue != before.end()) {
      document.WriteValue(withValue->path, withValue->values.front().first, withValue->values.front().second);
    } else {
      KeyContents& key = expected.back();
      key.values.emplace_back("probe", RegistryValue::Dword(7));
      document.WriteValue(key.path, "probe", RegistryValue::Dword(7));
    }
  } catch (const Exception& e) {
    Finding("a store that reads refused a rewrite of its own value: " + e.Message());
  }
  std::vector<KeyContents> after;
  try {
    Walk(RegistryDocument::Parse(document.Serialize(), kFileName), "", after);
  } catch (const Exception& e) {
    Finding("the store does not read what it wrote: " + e.Message());
  }
  if (after != expected) Finding("the store reads back other than it held");
  return true;
}

}  // namespace fuzzing
