#include "recorder/config/RegAMXConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegAMXConfig::SetDefaults() {}

void TRegAMXConfig::ReadStream(std::uint32_t, TStream&) { throw Exception("TRegAMXConfig::ReadStream: not built yet"); }

int TRegAMXConfig::WriteStream(std::uint32_t, TStream&) const { throw Exception("TRegAMXConfig::WriteStream: not built yet"); }
