#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "modbus/CBaseModbus.h"
#include "recorder/access/PasswordCache.h"
#include "recorder/access/PasswordRequest.h"
#include "recorder/access/RecordTransfers.h"
#include "recorder/access/SrpClient.h"

class TRegConfig;
class TRegInfo;

namespace Registrator {

// The context of operations on one recorder: what the identification and the device
// information record said about it, and the progress counters of the long reads. It
// holds no connection: every operation takes the transport and the device address.
class TRegConfigOp {
public:
  // Brand lines of IdLine.
  static constexpr std::uint8_t kLineFirst = 0;     // Corvane
  static constexpr std::uint8_t kLineSecond = 1;    // Pelkar
  static constexpr std::uint8_t kLineFromInfo = 2;  // the device information record's other first-line value
  static constexpr std::uint8_t kLineUnknown = 3;   // not yet identified

  static constexpr std::size_t kInfoRecordCopySize = 44;

  TRegConfigOp() = default;

  // Identification objects 0-2 (vendor, product code, revision text); sets the brand
  // line, or raises EMBUnsupportedDevice with every object's text, each after "\n".
  void Identify(ModbusMaster::CBaseModbus& transport, std::uint8_t unit);
  // Information record 1: checks its length by firmware band, the supported versions
  // and the hardware (1.4 on), sets IdSwVersion, IdSerial, IdLine and InfoRecordCopy,
  // and decodes the record into `info` when one is given.
  void ReadDeviceInfo(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, TRegInfo* info);
  // Information record 0 into `info` (after ReadDeviceInfo into the same TRegInfo).
  bool ReadGeneralInfo(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, TRegInfo& info);

  // Everything the device tells about itself, into `info`: the device and general
  // information records, every channel information record, then the selectable-value
  // lists. Progress counts one step per record read (and one per check) through
  // ProgressDone, against the ProgressTotal it sets for this read and the
  // configuration read after it. False without `info` or when `progress` cancels;
  // raises otherwise, a failure inside a channel block as a plain Exception behind the
  // block's caption.
  bool ReadInfo(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, const TRegProgressEvent& progress,
                TRegInfo* info);

  // The recorder's whole configuration into `config`, after a ReadInfo into its
  // RegInfo with this context: the general record, every block the firmware and the
  // feature bits call for, each handed to the configuration's store entry points.
  // Progress goes on from where ReadInfo left it (record files and blobs count their
  // own bytes). False when `progress` cancels (what was stored stays); raises
  // otherwise, a failure inside a step as a plain Exception behind the step's caption.
  // A device whose counts or blocks the read cannot take is refused before the first
  // request.
  bool ReadConfig(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, const TRegProgressEvent& progress,
                  TRegConfig& config);

  using TAuthKey = Registrator::TAuthKey;
  using TAuthData = Registrator::TAuthData;
  // Logs in at `level` (1 or 2) when the device wants a password for it (Authorize.cpp
  // tells how). True when no login is needed or it succeeded, false when the callback
  // abandoned it; raises otherwise. `secret` stands in for the system's random source
  // of the login's secret exponent (tests fix it); empty takes the system's.
  bool Authorize(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::int32_t level, TRegInfo& info,
                 const TRegPasswordRequestEvent& onPasswordRequest, const SrpSecretSource& secret = {});

  std::string Vendor;       // object 0, byte for byte (ANSI code page)
  std::string ProductCode;  // object 1
  std::string Revision;     // object 2, "v%u.%u.%u"
  std::uint8_t IdLine = kLineUnknown;
  std::uint32_t IdSerial = 0;
  std::uint32_t IdSwVersion = 0;
  std::uint32_t ProgressDone = 0;
  std::uint32_t ProgressTotal = 0;
  // The leading bytes of the last device information record (34, 40, 44 or 28 by
  // band; the rest keeps what it had).
  std::array<std::uint8_t, kInfoRecordCopySize> InfoRecordCopy{};
};

}  // namespace Registrator
