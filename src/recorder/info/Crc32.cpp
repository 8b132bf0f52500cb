#include "recorder/info/Crc32.h"

#include <array>

namespace {

// Slicing by eight: T[0] is the plain reflected table, T[k][i] the register after i has
// been shifted through k further zero bytes, so eight bytes fold in one step.
using Crc32Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Crc32Tables MakeTables()
{
  Crc32Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = c & 1 ? c >> 1 ^ 0xEDB88320u : c >> 1;
    t[0][i] = c;
  }
  for (int k = 1; k < 8; ++k)
    for (int i = 0; i < 256; ++i) t[k][i] = t[k - 1][i] >> 8 ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr Crc32Tables kTables = MakeTables();

std::uint32_t LoadLe32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t length)
{
  const auto& t = kTables;
  for (; length >= 8; data += 8, length -= 8) {
    crc ^= LoadLe32(data);
    crc = t[7][crc & 0xFF] ^ t[6][crc >> 8 & 0xFF] ^ t[5][crc >> 16 & 0xFF] ^ t[4][crc >> 24] ^ t[3][data[4]] ^
          t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
  }
  for (; length > 0; ++data, --length) crc = crc >> 8 ^ t[0][(crc ^ *data) & 0xFF];
  return crc;
}
