#include "app/core/AddressHistory.h"

#include <algorithm>

namespace {

constexpr char kQuote = '"';
constexpr char kDelimiter = ',';

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool NeedsQuotes(std::string_view entry)
{
  return std::any_of(entry.begin(), entry.end(), [](char c) { return IsBlank(c) || c == kQuote || c == kDelimiter; });
}

}  // namespace

void RememberAddress(std::vector<std::string>& history, const std::string& address)
{
  if (std::find(history.begin(), history.end(), address) != history.end()) return;
  if (history.size() >= kAddressHistorySize) history.resize(kAddressHistorySize - 1);
  history.insert(history.begin(), address);
}

std::string ToCommaText(const std::vector<std::string>& entries)
{
  // One empty entry must not read back as no entry at all.
  if (entries.size() == 1 && entries[0].empty()) return std::string(2, kQuote);
  std::string text;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i) text += kDelimiter;
    const std::string& entry = entries[i];
    if (!NeedsQuotes(entry)) {
      text += entry;
      continue;
    }
    text += kQuote;
    for (char c : entry) {
      if (c == kQuote) text += kQuote;
      text += c;
    }
    text += kQuote;
  }
  return text;
}

std::vector<std::string> FromCommaText(std::string_view text)
{
  std::vector<std::string> entries;
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    std::string entry;
    if (text[i] == kQuote) {
      ++i;
      while (i < text.size()) {
        if (text[i] == kQuote) {
          if (i + 1 < text.size() && text[i + 1] == kQuote) {
            entry += kQuote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        entry += text[i++];
      }
    } else {
      while (i < text.size() && !IsBlank(text[i]) && text[i] != kDelimiter) entry += text[i++];
    }
    entries.push_back(std::move(entry));
    skipBlanks();
    if (i < text.size() && text[i] == kDelimiter) {
      ++i;
      if (i == text.size()) entries.emplace_back();
      skipBlanks();
    }
  }
  return entries;
}
