#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ModbusMaster {
class CBaseModbus;
}

// How the program reaches the recorder: what the connection settings dialog hands back
// and what the registry keeps of it.
struct ConnectionSettings {
  enum TInterface : int { Serial = 0, Ethernet = 1 };

  int Interface = Serial;  // any value but Serial and Ethernet builds no connection
  std::string PortName;    // a device path such as /dev/ttyUSB0
  int BaudRate = 0;
  int Parity = 0;         // ModbusMaster::TMBParity: 0 none, 1 odd, 2 even
  int StopBits = 0;       // ModbusMaster::TMBStopBits: 0 one, 1 two
  int DeviceAddress = 0;  // the recorder's Modbus unit on the serial line
  int RtuTimeout = 10;    // reply timeout on the serial line, seconds
  std::string EthAddress; // connection URL: 192.168.0.10, mbtcp://host:502, mbudp://host
  int EthTimeout = 10;    // reply timeout on Ethernet, seconds

  bool operator==(const ConnectionSettings&) const = default;
};

// The reply timeouts the dialog offers, in seconds.
inline constexpr int kMinReplyTimeoutSeconds = 1;
inline constexpr int kMaxReplyTimeoutSeconds = 200;
// The highest unit a recorder on a serial line can have.
inline constexpr int kMaxDeviceAddress = 247;

// The transport of one update, as the settings describe it: a CModbusRTU on the port with
// its line settings and the device address as the unit, or a CModbusEth on the URL with
// unit 1. Its reply timeout is the interface's seconds times 1000 ms, the seconds brought
// into the dialog's range 1 to 200. The transport opens its connection itself with the
// first request. The new transport replaces (and destroys) the one the holder had.
// False, holder and unit untouched, for an interface that is neither serial nor Ethernet,
// and for line settings the dialog never hands back (a device address outside 0 to 247,
// no baud rate), which would otherwise reach a wrong unit or a line that cannot open.
// Raises the transport's EMBError for a URL it refuses (a scheme other than mbtcp and
// mbudp, a port that is not a number from 1 to 65535); the dialog lets any non-empty
// address through.
bool CreateConnectionFromSettings(const ConnectionSettings& settings,
                                  std::unique_ptr<ModbusMaster::CBaseModbus>& transport, std::uint8_t& unitAddress);
