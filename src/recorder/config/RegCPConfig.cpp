#include "recorder/config/RegCPConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegCPConfig::SetDefaults() {}

std::uint32_t TRegCPConfig::RecordSize(std::uint32_t) { return 0; }

void TRegCPConfig::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegCPConfig::ReadRecord: not built yet"); }

std::size_t TRegCPConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegCPConfig::WriteRecord: not built yet"); }
