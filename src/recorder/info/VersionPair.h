#pragma once

#include <cstdint>

// The two firmware words of one recorder: the firmware of the device information
// record first, the version of the general (measurement) part second. Record layouts
// that depend on both take the pair.
struct TRegVersionPair {
  std::uint32_t SwVersion = 0;
  std::uint32_t GenSwVersion = 0;
};
