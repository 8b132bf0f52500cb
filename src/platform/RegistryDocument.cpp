#include "platform/RegistryDocument.h"

#include <algorithm>
#include <utility>

#include "platform/Format.h"

namespace {

constexpr const char* kHeading = "; Kestrel settings: the current user's registry. UTF-8, one [key] a block.";

// Case folding for names: ASCII letters and the Cyrillic capitals (U+0400..U+042F) in
// UTF-8; other bytes stay as they are. A lead byte counts only before a continuation
// byte: folded together with a backslash behind it, it would swallow the separator and
// merge the key with one of another path.
std::string Fold(std::string_view name)
{
  std::string out(name);
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c - 'A' + 'a');
    } else if ((c == 0xD0 || c == 0xD1) && i + 1 < out.size() &&
               (static_cast<unsigned char>(out[i + 1]) & 0xC0) == 0x80) {
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

bool IsBelow(const std::string& folded, const std::string& parent)
{
  return folded.size() > parent.size() && folded.compare(0, parent.size(), parent) == 0 &&
         folded[parent.size()] == '\\';
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

std::string RegistryValueText(const RegistryValue& value)
{
  return value.type == RegistryValueType::Dword ? std::to_string(value.number) : value.text;
}

std::optional<int> RegistryValueInteger(const RegistryValue& value)
{
  if (value.type == RegistryValueType::Dword) return static_cast<int>(value.number);
  return ParseInteger(value.text);
}

// ---- text -----------------------------------------------------------------------------

RegistryDocument RegistryDocument::Parse(std::string_view text, const std::string& fileName)
{
  RegistryDocument document;
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
      return ERegistryException(Format("Settings store: \"%s\" is damaged at line %u", fileName, number));
    };
    if (line[0] == '[') {
      std::size_t close = line.rfind(']');
      if (close == std::string_view::npos || close != line.size() - 1) throw damaged();
      key = &document.Add(NormalKey(line.substr(1, close - 1)));
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
  return document;
}

std::string RegistryDocument::Serialize() const
{
  std::string out = kHeading;
  out += '\n';
  for (const auto& [folded, key] : keys_) {
    // A key above others is implied by them; only an empty leaf needs a line of its own,
    // and an empty key whose name, as written, the keys below it do not all repeat (read
    // back, the first of them would name it in its own case).
    if (key.values.empty() && HasBelow(folded) && AllBelowBeginWith(folded, key.path)) continue;
    out += "\n[" + key.path + "]\n";
    for (const auto& v : key.values) {
      out += Quote(v.name) + "=";
      out += v.value.type == RegistryValueType::Dword ? Format("dword:%08x", v.value.number) : Quote(v.value.text);
      out += '\n';
    }
  }
  return out;
}

// ---- keys and values ------------------------------------------------------------------

std::string RegistryDocument::NormalKey(std::string_view key)
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

std::string RegistryDocument::JoinKey(std::string_view key, std::string_view subKey)
{
  std::string joined(key);
  joined += '\\';
  joined += subKey;
  return NormalKey(joined);
}

RegistryDocument::Key& RegistryDocument::Add(const std::string& path)
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

const RegistryDocument::Key* RegistryDocument::Find(const std::string& path) const
{
  auto it = keys_.find(Fold(path));
  return it == keys_.end() ? nullptr : &it->second;
}

RegistryDocument::Key* RegistryDocument::Find(const std::string& path)
{
  return const_cast<Key*>(std::as_const(*this).Find(path));
}

std::size_t RegistryDocument::IndexOf(const Key& key, std::string_view name)
{
  std::string folded = Fold(name);
  auto it = std::find_if(key.values.begin(), key.values.end(), [&](const auto& v) { return Fold(v.name) == folded; });
  return static_cast<std::size_t>(it - key.values.begin());
}

bool RegistryDocument::HasBelow(const std::string& folded) const
{
  return std::any_of(keys_.begin(), keys_.end(), [&](const auto& entry) { return IsBelow(entry.first, folded); });
}

bool RegistryDocument::AllBelowBeginWith(const std::string& folded, const std::string& path) const
{
  return std::all_of(keys_.begin(), keys_.end(), [&](const auto& entry) {
    return !IsBelow(entry.first, folded) || entry.second.path.compare(0, path.size(), path) == 0;
  });
}

// A key that was never written itself exists while a key below it does.
bool RegistryDocument::KeyExists(std::string_view key) const
{
  std::string path = NormalKey(key);
  if (path.empty()) return true;
  std::string folded = Fold(path);
  return std::any_of(keys_.begin(), keys_.end(),
                     [&](const auto& entry) { return entry.first == folded || IsBelow(entry.first, folded); });
}

std::vector<std::string> RegistryDocument::SubKeyNames(std::string_view key) const
{
  std::string folded = Fold(NormalKey(key));
  std::map<std::string, std::string> names;  // folded -> as written
  for (const auto& [k, entry] : keys_) {
    if (!folded.empty() && !IsBelow(k, folded)) continue;
    if (k.empty() || k == folded) continue;
    std::size_t start = folded.empty() ? 0 : folded.size() + 1;
    std::size_t end = k.find('\\', start);
    std::string name = entry.path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    names.try_emplace(Fold(name), name);
  }
  std::vector<std::string> out;
  for (auto& [f, name] : names) out.push_back(name);
  return out;
}

std::vector<std::string> RegistryDocument::ValueNames(std::string_view key) const
{
  std::vector<std::string> names;
  if (const Key* k = Find(NormalKey(key))) {
    for (const auto& v : k->values) names.push_back(v.name);
  }
  return names;
}

std::optional<RegistryValue> RegistryDocument::ReadValue(std::string_view key, std::string_view name) const
{
  const Key* k = Find(NormalKey(key));
  if (!k) return std::nullopt;
  std::size_t i = IndexOf(*k, name);
  if (i == k->values.size()) return std::nullopt;
  return k->values[i].value;
}

bool RegistryDocument::CreateKey(std::string_view key)
{
  std::string path = NormalKey(key);
  if (Find(path)) return false;
  Add(path);
  return true;
}

void RegistryDocument::WriteValue(std::string_view key, std::string_view name, const RegistryValue& value)
{
  Set(Add(NormalKey(key)), name, value);
}

void RegistryDocument::Set(Key& key, std::string_view name, const RegistryValue& value)
{
  std::size_t i = IndexOf(key, name);
  if (i == key.values.size()) key.values.push_back({std::string(name), value});
  else key.values[i].value = value;
}

bool RegistryDocument::DeleteValue(std::string_view key, std::string_view name)
{
  Key* k = Find(NormalKey(key));
  if (!k) return false;
  std::size_t i = IndexOf(*k, name);
  if (i == k->values.size()) return false;
  k->values.erase(k->values.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

bool RegistryDocument::DeleteKey(std::string_view key)
{
  std::string folded = Fold(NormalKey(key));
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
