#include "recorder/config/RegTIM2v2Config.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegTIM2v2Config::SetDefaults() {}

void TRegTIM2v2Config::ReadStream(std::uint32_t, TStream&) { throw Exception("TRegTIM2v2Config::ReadStream: not built yet"); }

void TRegTIM2v2Config::WriteStream(std::uint32_t, TStream&) const { throw Exception("TRegTIM2v2Config::WriteStream: not built yet"); }
