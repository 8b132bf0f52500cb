#include "recorder/config/RegSMConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegSMConfig::SetDefaults() {}

std::uint32_t TRegSMConfig::RecordSize(std::uint32_t) { return 0; }

void TRegSMConfig::ReadRecord(std::span<const std::uint8_t>) { throw Exception("TRegSMConfig::ReadRecord: not built yet"); }

std::size_t TRegSMConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegSMConfig::WriteRecord: not built yet"); }
