#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// SHA-256 as published in FIPS 180-4: big-endian message words, a 64-bit big-endian bit
// count, a big-endian digest. The login hashes passwords with it, so the object wipes its
// block buffer and state when it dies.
class Sha256 {
public:
  static constexpr std::size_t DigestSize = 32;
  using Digest = std::array<std::uint8_t, DigestSize>;

  Sha256() { Reset(); }
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  ~Sha256();

  void Reset();
  Sha256& Update(std::span<const std::uint8_t> bytes);
  Sha256& Update(const void* bytes, std::size_t n)
  {
    return Update(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), n));
  }
  // Pads, writes the digest and leaves the object reset for a new message.
  Digest Final();

  static Digest Hash(std::span<const std::uint8_t> bytes);

private:
  void ProcessBlock(const std::uint8_t* block);

  std::uint64_t count_;  // bytes hashed so far
  std::array<std::uint8_t, 64> block_;
  std::array<std::uint32_t, 8> state_;
};
