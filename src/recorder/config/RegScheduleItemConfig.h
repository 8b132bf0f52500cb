#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Stream.h"

class TRegConfig;
class TRegInfo;

// One schedule item, read from and written to a stream.
class TRegScheduleItemConfig {
public:
  TRegScheduleItemConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegScheduleItemConfig& other) { *this = other; }
  void ReadStream(const TRegInfo& info, TStream& stream);
  void WriteStream(const TRegInfo& info, std::uint32_t targetVersion, TStream& stream) const;
};
