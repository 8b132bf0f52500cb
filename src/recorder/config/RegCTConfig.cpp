#include "recorder/config/RegCTConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegCTConfig::SetDefaults() {}

std::uint32_t TRegCTConfig::RecordSize(std::uint32_t) { return 0; }

void TRegCTConfig::ReadRecord(std::span<const std::uint8_t>) { throw Exception("TRegCTConfig::ReadRecord: not built yet"); }

std::size_t TRegCTConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegCTConfig::WriteRecord: not built yet"); }
