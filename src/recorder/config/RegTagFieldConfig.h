#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// One tag field: a small type code and two byte areas kept and written back byte for
// byte (they are not text). 248-byte records from 2.1.53 on, the 2.2 branch included.
// Copied member-wise; not attached.
class TRegTagFieldConfig {
public:
  std::uint8_t Type = 0;  // 0-3 (a negative byte passes the reader's signed check)
  std::array<std::uint8_t, 24> ShortArea{};
  std::array<std::uint8_t, 220> LongArea{};

  TRegTagFieldConfig() { SetDefaults(); }

  void SetDefaults();
  // 0 from 1.5 below 2.1.53, 248 from 2.1.53 on; EVantorUnsupportedOldVer below 1.5.
  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware (the store callback passes its SwVersion).
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  // 0 (nothing) from 1.5 below 2.1.53.
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
