// url: a connection URL as the user types it in the connection settings, split by the
// URL parser and taken by the Ethernet transport.

#include "FuzzTargets.h"
#include "modbus/CModbusEth.h"
#include "modbus/UrlParser.h"

namespace fuzzing {

bool FuzzUrl(std::span<const std::uint8_t> input)
{
  std::string url(input.begin(), input.end());
  ModbusMaster::TUrlParts parts = ModbusMaster::ParseUrl(url);
  if (parts.Host.empty()) Finding("a URL without a host did not get localhost");
  if (parts.FullPath.empty() || parts.FullPath[0] != '/' || parts.FullPath.compare(0, parts.Path.size(), parts.Path) != 0)
    Finding("the path is not the full path's beginning");

  ModbusMaster::CModbusEth transport;
  try {
    transport.SetParams(url);
  } catch (const Exception& e) {
    return Refused(e);
  }
  if (transport.Port() < 1 || transport.Port() > 65535) Finding("the transport took a port outside 1-65535");
  (void)transport.Description(0);
  (void)transport.Description(1);
  return true;
}

}  // namespace fuzzing
