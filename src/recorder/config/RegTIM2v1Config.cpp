#include "recorder/config/RegTIM2v1Config.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegTIM2v1Config::SetDefaults() {}

std::uint32_t TRegTIM2v1Config::RecordSize(std::uint32_t) { return 0; }

void TRegTIM2v1Config::ReadRecord(std::uint32_t, std::span<const std::uint8_t>) { throw Exception("TRegTIM2v1Config::ReadRecord: not built yet"); }

std::size_t TRegTIM2v1Config::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegTIM2v1Config::WriteRecord: not built yet"); }
