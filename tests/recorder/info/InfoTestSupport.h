#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "recorder/info/VantorException.h"
#include "support/Hex.h"

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
