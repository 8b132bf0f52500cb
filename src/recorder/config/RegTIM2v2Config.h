#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Stream.h"

class TRegConfig;
class TRegInfo;

// External display boards, second format, read from and written to a stream.
class TRegTIM2v2Config {
public:
  TRegTIM2v2Config() { SetDefaults(); }

  void SetDefaults();
  void ReadStream(std::uint32_t version, TStream& stream);
  void WriteStream(std::uint32_t targetVersion, TStream& stream) const;
};
