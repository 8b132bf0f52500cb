#include "recorder/config/RegIPConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegIPConfig::SetDefaults() {}

std::uint32_t TRegIPConfig::RecordSize(std::uint32_t) { return 0; }

void TRegIPConfig::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegIPConfig::ReadRecord: not built yet"); }

std::size_t TRegIPConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegIPConfig::WriteRecord: not built yet"); }
