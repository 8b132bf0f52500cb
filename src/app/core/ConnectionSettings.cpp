#include "app/core/ConnectionSettings.h"

#include <algorithm>

#include "modbus/CModbusEth.h"
#include "modbus/CModbusRTU.h"

namespace {

std::uint32_t ReplyTimeoutMs(int seconds)
{
  // Settings that a scan hands on unchecked come straight from the registry, where any
  // number may stand; times 1000 it must not overflow.
  return static_cast<std::uint32_t>(std::clamp(seconds, kMinReplyTimeoutSeconds, kMaxReplyTimeoutSeconds)) * 1000u;
}

}  // namespace

bool CreateConnectionFromSettings(const ConnectionSettings& settings,
                                  std::unique_ptr<ModbusMaster::CBaseModbus>& transport, std::uint8_t& unitAddress)
{
  using namespace ModbusMaster;
  switch (settings.Interface) {
  case ConnectionSettings::Serial: {
    if (settings.DeviceAddress < 0 || settings.DeviceAddress > kMaxDeviceAddress || settings.BaudRate <= 0) return false;
    auto rtu = std::make_unique<CModbusRTU>();
    // The dialog shows any other parity as even and any other stop-bit value as one;
    // the line gets what was shown.
    const TMBParity parity = settings.Parity == 0 ? ParityNone : settings.Parity == 1 ? ParityOdd : ParityEven;
    const TMBStopBits stopBits = settings.StopBits == 1 ? TwoStopBits : OneStopBit;
    // Port names are UTF-8 device paths, which is what the system opens: no code page.
    rtu->SetParams(settings.PortName, static_cast<std::uint32_t>(settings.BaudRate), parity, stopBits);
    rtu->SetReplyTimeout(ReplyTimeoutMs(settings.RtuTimeout));
    transport = std::move(rtu);
    unitAddress = static_cast<std::uint8_t>(settings.DeviceAddress);
    return true;
  }
  case ConnectionSettings::Ethernet: {
    auto eth = std::make_unique<CModbusEth>();
    eth->SetParams(settings.EthAddress);
    eth->SetReplyTimeout(ReplyTimeoutMs(settings.EthTimeout));
    transport = std::move(eth);
    // A recorder on Ethernet answers as unit 1, whatever its serial address.
    unitAddress = 1;
    return true;
  }
  default: return false;
  }
}
