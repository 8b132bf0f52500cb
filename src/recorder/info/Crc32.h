#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// CRC-32 of the long configuration file sections: polynomial 0x04C11DB7 processed
// bit-reflected (0xEDB88320), initial value 0 and no final inversion. It is not zlib's
// CRC-32 (which starts at and inverts with 0xFFFFFFFF): "123456789" gives 0x2DFD2D88.

// The register after the bytes, starting from crc; chains across calls.
std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t length);
inline std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> data)
{
  return Crc32Update(crc, data.data(), data.size());
}

inline std::uint32_t Crc32Of(const std::uint8_t* data, std::size_t length) { return Crc32Update(0, data, length); }
inline std::uint32_t Crc32Of(std::span<const std::uint8_t> data) { return Crc32Update(0, data.data(), data.size()); }
