#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recorder/info/VantorException.h"

// "01 02 ff": the bytes of a record written out by hand.
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

// The check number an EVantorInvalid names ("{5190}" gives 5190), 0 when the statement
// raised nothing, -1 for any other error.
template <typename F>
long CheckOf(F&& statement)
{
  try {
    statement();
  } catch (const EVantorInvalid& e) {
    const std::string& m = e.Message();
    if (m.size() < 3 || m.front() != '{' || m.back() != '}') return -1;
    return std::stol(m.substr(1, m.size() - 2));
  } catch (...) {
    return -1;
  }
  return 0;
}

// The version word an EVantorUnsupportedNewVer or ...OldVer carries; 0 for anything else.
template <typename Error, typename F>
std::uint32_t VersionErrorOf(F&& statement)
{
  try {
    statement();
  } catch (const Error& e) {
    return e.Version();
  } catch (...) {
  }
  return 0;
}
