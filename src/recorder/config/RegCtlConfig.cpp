#include "recorder/config/RegCtlConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegCtlConfig::SetDefaults() {}

std::uint32_t TRegCtlConfig::RecordSize(std::uint32_t) { return 0; }

void TRegCtlConfig::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegCtlConfig::ReadRecord: not built yet"); }

std::size_t TRegCtlConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegCtlConfig::WriteRecord: not built yet"); }
