#include "recorder/config/RegMSConfig.h"

#include "platform/Exception.h"
#include "recorder/info/RegInfo.h"

void TRegMSConfig::ResizeToInfo()
{
  const bool offered = (owner_->Features >> 14 & 1) != 0;
  Pages.resize(offered ? owner_->PageCount : 0);
}

// The pages' settings and stream are not built yet: reading or writing raises rather
// than pass a stream through unchecked.
void TRegMSConfig::SetDefaults() {}

void TRegMSConfig::ReadStream(std::uint32_t, TStream&) { throw Exception("TRegMSConfig::ReadStream: not built yet"); }

void TRegMSConfig::WriteStream(std::uint32_t, TStream&) const
{
  throw Exception("TRegMSConfig::WriteStream: not built yet");
}
