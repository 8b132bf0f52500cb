#include "recorder/config/RegDOConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegDOConfig::SetDefaults() {}

std::uint32_t TRegDOConfig::RecordSize(std::uint32_t) { return 0; }

void TRegDOConfig::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegDOConfig::ReadRecord: not built yet"); }

std::size_t TRegDOConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegDOConfig::WriteRecord: not built yet"); }
