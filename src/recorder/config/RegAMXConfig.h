#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Stream.h"

// The recorder's AMX program (feature bit 15, 2.1.70 to 2.1.160), carried unchanged
// and never interpreted. One stream: a 12-byte header (format, header size 12, six
// bytes carried, the code size), then the code.
class TRegAMXConfig {
public:
  std::array<std::uint8_t, 12> Header{};  // zero until SetDefaults or a read
  std::vector<std::uint8_t> Code;

  TRegAMXConfig() = default;

  // Header 1, 12 and zeros; no code.
  void SetDefaults();
  // version: the device's firmware. Below 2.1.70 nothing is read; above 2.1.160 (the
  // 2.2 branch included) EVantorUnsupportedNewVer. An empty stream (a device without a
  // program) and a header of format 0 leave the defaults. The stream's size must be the
  // code size + 12 (EVantorInvalid 14439).
  void ReadStream(std::uint32_t version, TStream& stream);
  // The header with the code's size, then the code; returns 0.
  int WriteStream(std::uint32_t targetVersion, TStream& stream) const;
};
