#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Exception.h"

// A version word: major << 24 | minor << 16 | build << 8 | fourth byte. Firmware,
// hardware, configuration and image versions all use it; 0 means "not yet known".
constexpr std::uint32_t MakeVersion(unsigned major, unsigned minor, unsigned build, unsigned fourth = 0)
{
  return (major & 0xFFu) << 24 | (minor & 0xFFu) << 16 | (build & 0xFFu) << 8 | (fourth & 0xFFu);
}

// Byte index of a version word, most significant first: 0 major, 1 minor, 2 build, 3 the
// fourth byte. The texts that show a version take its numbers from here.
constexpr unsigned VersionByte(std::uint32_t version, int index)
{
  return version >> (24 - 8 * index) & 0xFFu;
}

// The supported firmware bands of the device information record. Upper bounds are
// inclusive and carry 255 in the fourth byte.
inline constexpr std::uint32_t kFirstLineFrom = MakeVersion(1, 3, 0);
inline constexpr std::uint32_t kFirstLineUpTo = MakeVersion(1, 10, 20, 255);
inline constexpr std::uint32_t kSecondLineFrom = MakeVersion(2, 0, 0);
inline constexpr std::uint32_t kSecondLineUpTo = MakeVersion(2, 1, 160, 255);  // the newest this release knows
inline constexpr std::uint32_t kBranchFrom = MakeVersion(2, 2, 0);
inline constexpr std::uint32_t kBranchUpTo = MakeVersion(2, 2, 3, 255);

constexpr bool IsInBranch(std::uint32_t version) { return version >= kBranchFrom && version <= kBranchUpTo; }
constexpr bool IsFirstLine(std::uint32_t version) { return version >= kFirstLineFrom && version <= kFirstLineUpTo; }
constexpr bool IsSecondLine(std::uint32_t version) { return version >= kSecondLineFrom && version <= kSecondLineUpTo; }

// The 2.2 branch is numerically above the 2.1 line but keeps the older record formats.
// So a gate "from X on" leaves the branch out, and the branch always lands on the
// "below X" side of the pair: a reader and a writer that test the same X agree on it.
constexpr bool IsFirmwareFrom(std::uint32_t version, std::uint32_t from)
{
  return version >= from && !IsInBranch(version);
}
constexpr bool IsFirmwareBelow(std::uint32_t version, std::uint32_t limit) { return !IsFirmwareFrom(version, limit); }
// The few gates that take the branch in with the newer side.
constexpr bool IsFirmwareFromBranchIncluded(std::uint32_t version, std::uint32_t from) { return version >= from; }

// Raised by a version comparison when the word or the limit is 0 (the version is not
// known yet). It carries no message of its own.
class EVersion : public Exception {
public:
  EVersion() : Exception("") {}
};

// -1, 0 or 1 as version is below, equal to or above limit; EVersion on a zero operand.
int CompareVersion(std::uint32_t version, std::uint32_t limit);
inline bool VersionAtLeast(std::uint32_t version, std::uint32_t limit) { return CompareVersion(version, limit) >= 0; }
inline bool VersionAbove(std::uint32_t version, std::uint32_t limit) { return CompareVersion(version, limit) > 0; }
inline bool VersionBelow(std::uint32_t version, std::uint32_t limit) { return CompareVersion(version, limit) < 0; }

// Reads the identification's version text "v<major>.<minor>.<build>" (anything after
// the third number is ignored). Sets version to 0 first; false when the text does not
// begin with 'v', has fewer than three numbers, or a number above 255 (which would
// otherwise run into the byte above it).
bool ParseVersionText(std::string_view text, std::uint32_t& version);

// "%u.%u.%u.%u", most significant byte first.
std::string VersionToText(std::uint32_t version);
