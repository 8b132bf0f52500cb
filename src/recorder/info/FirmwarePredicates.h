#pragma once

#include <cstdint>

#include "recorder/info/VersionWord.h"

// Firmware gates on a version word. A reader passes the device's SwVersion, a writer
// the version it writes for, which need not be the device's. "At least 2.1.x" leaves
// the 2.2 branch out (IsFirmwareFrom); a gate that takes the branch in says so.

constexpr bool IsSwAtLeast2_1_30(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 30)); }
constexpr bool IsSwAtLeast2_1_53(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 53)); }
constexpr bool IsSwAtLeast2_1_65(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 65)); }
// Event items carry the two action fields in their header byte.
constexpr bool IsSwAtLeast2_1_80(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 80)); }
// Records for firmware strictly above 2.1.80.0 take their event-action codes converted
// (ConvertEventJobCodeAbove2_1_80).
constexpr bool IsSwAbove2_1_80_0(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 80, 1)); }
constexpr bool IsSwAtLeast2_1_91(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 91)); }
constexpr bool IsSwAtLeast2_1_126(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 126)); }
// The user tables (feature bit 19) and the record files of the stream blocks.
constexpr bool IsSwAtLeast2_1_127(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 127)); }
constexpr bool IsSwAtLeast2_1_128(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 128)); }
constexpr bool IsSwAtLeast2_1_128_90(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 128, 90)); }
constexpr bool IsSwAtLeast2_1_130(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 130)); }
constexpr bool IsSwAtLeast2_1_131(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 131)); }
constexpr bool IsSwAtLeast2_1_132(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 132)); }
constexpr bool IsSwAtLeast2_1_158(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 158)); }
constexpr bool IsSwAtLeast2_1_110(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 110)); }
// The backup file's section order: the newest firmware drops the totalizers and counters.
constexpr bool IsSwAtLeast2_1_157(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 157)); }
constexpr bool IsSwAtLeast2_1_156(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 156)); }
constexpr bool IsSwAtLeast2_1_159(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 159)); }
// The general record's byte 32 is written from 2.1.120 on, the 2.2 branch included.
constexpr bool IsSwAtLeast2_1_120BranchIncluded(std::uint32_t v)
{
  return IsFirmwareFromBranchIncluded(v, MakeVersion(2, 1, 120));
}

// The channel blocks' inner gates.
constexpr bool IsSwAtLeast2_1_101(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 101)); }
constexpr bool IsSwAtLeast2_1_128_50(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 128, 50)); }
constexpr bool IsSwAtLeast2_1_128_80(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 128, 80)); }
constexpr bool IsSwAtLeast2_1_160_28(std::uint32_t v) { return IsFirmwareFrom(v, MakeVersion(2, 1, 160, 28)); }
// First-line records carry two events, not four, from 1.10.17 on.
constexpr bool IsSwAtLeast1_10_17(std::uint32_t v) { return v >= MakeVersion(1, 10, 17); }

// A window inside the 2.1 line.
constexpr bool IsSw2_1_80To2_1_100(std::uint32_t v)
{
  return v >= MakeVersion(2, 1, 80) && v <= MakeVersion(2, 1, 100, 255);
}

// Devices that report totalizers and counters whose records no backup can write back.
constexpr bool IsSw2_1_25To2_1_156(std::uint32_t v)
{
  return v >= MakeVersion(2, 1, 25) && v <= MakeVersion(2, 1, 156, 255);
}

// The relay information records: late first-line firmware from 1.10.6, and the second
// line from 2.1.54.
constexpr bool HasDOInfoRecords(std::uint32_t v)
{
  return (v >= MakeVersion(1, 10, 6) && v <= MakeVersion(1, 255, 255, 255)) || IsFirmwareFrom(v, MakeVersion(2, 1, 54));
}

// Whether a record of that version carries the RTD nominal resistance as a value (not
// as an index into the offered list). The 2.2 branch is included.
constexpr bool IsRtdR0ValueVersion(std::uint32_t v)
{
  return (v >= MakeVersion(1, 6, 16) && v <= MakeVersion(1, 6, 255, 255)) ||
         (v >= MakeVersion(1, 7, 16) && v <= MakeVersion(1, 7, 255, 255)) ||
         (v >= MakeVersion(1, 9, 0) && v <= MakeVersion(1, 255, 255, 255)) ||
         IsFirmwareFromBranchIncluded(v, MakeVersion(2, 1, 50));
}
