#include "recorder/config/RegTMRConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegTMRConfig::SetDefaults() {}

std::uint32_t TRegTMRConfig::RecordSize(std::uint32_t) { return 0; }

void TRegTMRConfig::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegTMRConfig::ReadRecord: not built yet"); }

std::size_t TRegTMRConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegTMRConfig::WriteRecord: not built yet"); }
