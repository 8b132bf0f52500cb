#include "recorder/config/RegDisplayPageConfig.h"

#include "platform/Exception.h"

// The settings and records of this block are not built yet: reading or writing one
// raises rather than pass a record through unchecked.
void TRegDisplayPageConfig::SetDefaults() {}

std::uint32_t TRegDisplayPageConfig::RecordSize(const TRegInfo&, std::uint32_t) { return 0; }

void TRegDisplayPageConfig::FixSources(const TRegInfo&) {}

void TRegDisplayPageConfig::ReadRecord(const TRegInfo&, std::span<const std::uint8_t>) { throw Exception("TRegDisplayPageConfig::ReadRecord: not built yet"); }

std::size_t TRegDisplayPageConfig::WriteRecord(std::uint32_t, std::vector<std::uint8_t>&) const { throw Exception("TRegDisplayPageConfig::WriteRecord: not built yet"); }
