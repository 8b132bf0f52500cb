#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "01 02 ff": bytes written out by hand; anything but hex digits is a separator.
inline std::vector<std::uint8_t> Hex(std::string_view text)
{
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  return bytes;
}

// The bytes as "0A 1B ...", for a failure message that shows where two records differ.
inline std::string HexOf(const std::vector<std::uint8_t>& bytes)
{
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}
