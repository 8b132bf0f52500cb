#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Stream.h"

class TRegInfo;

// One point of a user table: two 32-bit values carried unchanged.
struct TRegTablePoint32 {
  std::uint32_t Value1 = 0;
  std::uint32_t Value2 = 0;
};

// One user table: a 28-byte header (its first two bytes the point count) and its points.
class TRegUserTable {
public:
  std::array<std::uint8_t, 28> Header{};
  std::vector<TRegTablePoint32> Points;

  void SetDefaults()
  {
    Header.fill(0);
    Points.clear();
  }
};

// The user tables, read from and written to one stream.
class TRegUserTableConfig {
public:
  std::vector<TRegUserTable> Tables;

  void SetDefaults();
  // Removes every table, then holds count default tables.
  void Resize(std::size_t count);
  void ReadStream(const TRegInfo& info, std::uint32_t version, TStream& stream);
  int WriteStream(const TRegInfo& info, std::uint32_t targetVersion, TStream& stream) const;
};
