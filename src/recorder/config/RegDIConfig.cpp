#include "recorder/config/RegDIConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegDIConfig::SetDefaults() {}

std::uint32_t TRegDIConfig::RecordSize(std::uint32_t) { return 0; }

void TRegDIConfig::ReadRecord(std::span<const std::uint8_t>) { throw Exception("TRegDIConfig::ReadRecord: not built yet"); }

std::size_t TRegDIConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegDIConfig::WriteRecord: not built yet"); }
