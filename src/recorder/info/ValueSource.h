#pragma once

#include <cstdint>
#include <string>

class TRegInfo;

// How a configuration block names the value of one channel: a kind and a zero-based
// index within it.
struct ValueSource {
  static constexpr std::uint8_t None = 0;
  static constexpr std::uint8_t AI = 1;
  static constexpr std::uint8_t AO = 2;
  static constexpr std::uint8_t DI = 3;
  static constexpr std::uint8_t DO = 4;
  static constexpr std::uint8_t TTL = 5;
  static constexpr std::uint8_t Regulator = 6;

  std::uint8_t Kind = None;
  std::uint32_t Index = 0;

  friend bool operator==(const ValueSource&, const ValueSource&) = default;
};

// The text of the none source: a blank, then the word.
extern const std::string kValueSourceNoneText;

// The channel's display name, or "AI[12]" for an index the device lacks, "<9>[2]" for
// an unknown kind.
std::string GetValueSourceName(const TRegInfo& info, const ValueSource& source);
