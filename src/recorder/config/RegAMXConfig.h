#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Stream.h"

class TRegConfig;
class TRegInfo;

// The AMX program, read from and written to a stream.
class TRegAMXConfig {
public:
  TRegAMXConfig() { SetDefaults(); }

  void SetDefaults();
  void ReadStream(std::uint32_t version, TStream& stream);
  int WriteStream(std::uint32_t targetVersion, TStream& stream) const;
};
