#include "platform/Exception.h"
#include "recorder/access/RegConfigOp.h"

// The configuration read is not built yet: it raises rather than leave a configuration
// that looks read.
bool Registrator::TRegConfigOp::ReadConfig(ModbusMaster::CBaseModbus&, std::uint8_t, const TRegProgressEvent&,
                                           TRegConfig&)
{
  throw Exception("TRegConfigOp::ReadConfig: not built yet");
}
