#include "recorder/config/RegScheduleItemConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegScheduleItemConfig::SetDefaults() {}

void TRegScheduleItemConfig::ReadStream(const TRegInfo&, TStream&) { throw Exception("TRegScheduleItemConfig::ReadStream: not built yet"); }

void TRegScheduleItemConfig::WriteStream(const TRegInfo&, std::uint32_t, TStream&) const { throw Exception("TRegScheduleItemConfig::WriteStream: not built yet"); }
