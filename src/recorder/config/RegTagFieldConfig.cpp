#include "recorder/config/RegTagFieldConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegTagFieldConfig::SetDefaults() {}

std::uint32_t TRegTagFieldConfig::RecordSize(std::uint32_t) { return 0; }

void TRegTagFieldConfig::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegTagFieldConfig::ReadRecord: not built yet"); }

std::size_t TRegTagFieldConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegTagFieldConfig::WriteRecord: not built yet"); }
