#include "recorder/config/RegUserTableConfig.h"

#include "platform/Exception.h"

void TRegUserTableConfig::SetDefaults()
{
  for (auto& table : Tables) table.SetDefaults();
}

void TRegUserTableConfig::Resize(std::size_t count)
{
  Tables.clear();
  Tables.resize(count);
}

// The stream is not built yet: reading or writing raises rather than pass a stream
// through unchecked.
void TRegUserTableConfig::ReadStream(const TRegInfo&, std::uint32_t, TStream&)
{
  throw Exception("TRegUserTableConfig::ReadStream: not built yet");
}

int TRegUserTableConfig::WriteStream(const TRegInfo&, std::uint32_t, TStream&) const
{
  throw Exception("TRegUserTableConfig::WriteStream: not built yet");
}
