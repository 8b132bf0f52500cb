#pragma once

#include "recorder/info/RegInfo.h"

// One recorder's whole configuration. It embeds the recorder's own information model,
// which every block reads its firmware version, counts and feature bits from; the
// blocks themselves join it with the configuration model. The upload job holds one
// for each run and reads the device information into RegInfo.
class TRegConfig {
public:
  TRegConfig() = default;
  TRegConfig(const TRegConfig&) = delete;
  TRegConfig& operator=(const TRegConfig&) = delete;

  TRegInfo RegInfo;
};
