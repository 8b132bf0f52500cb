#include "recorder/config/RegDisplayPageTabloConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegDisplayPageTabloConfig::SetDefaults() {}

std::uint32_t TRegDisplayPageTabloConfig::RecordSize(std::uint32_t) { return 0; }

void TRegDisplayPageTabloConfig::ReadRecord(const TRegInfo&, std::span<const std::uint8_t>) { throw Exception("TRegDisplayPageTabloConfig::ReadRecord: not built yet"); }

std::size_t TRegDisplayPageTabloConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegDisplayPageTabloConfig::WriteRecord: not built yet"); }
