#include "recorder/config/RegTTLConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegTTLConfig::SetDefaults() {}

std::uint32_t TRegTTLConfig::RecordSize(std::uint32_t) { return 0; }

void TRegTTLConfig::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegTTLConfig::ReadRecord: not built yet"); }

std::size_t TRegTTLConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegTTLConfig::WriteRecord: not built yet"); }
