#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "modbus/MBErrors.h"

namespace Registrator {

// Numbers of the device-operation texts (resources/strings/access.txt; 1521 is shared
// with the record-format errors).
enum RegText : int {
  kTextOlderThanSupported = 1520,
  kTextNewerThanSupported = 1521,
  kTextUnsupportedDevice = 2031,   // "Неподдерживаемое устройство\r\n%s"
  kTextUnsupportedVersion = 2034,  // all four numbers of the version word
  kTextInternalError = 2035,       // the tag in quotes
  kTextAuthUser = 2036,
  kTextAuthPassword = 2037,
  kTextAuthGeneral = 2038,         // the tag in quotes
};

// Failures the recorder access layer detects itself: a device or firmware it does not
// support, a refused login, a transfer that makes no sense. Deriving from the Modbus
// master's device error lets a handler of device errors catch these too. The source
// is always the transport's description of the unit in use.
class ERegConfigOp : public ModbusMaster::EMBDeviceError {
public:
  ERegConfigOp(std::string source, std::string detail) : EMBDeviceError(std::move(source), std::move(detail)) {}
  ERegConfigOp(std::string source, int stringId, std::initializer_list<FormatArg> args)
      : EMBDeviceError(std::move(source), stringId, args)
  {
  }
};

class EMBAuthPasswordError : public ERegConfigOp {
public:
  explicit EMBAuthPasswordError(std::string source) : ERegConfigOp(std::move(source), kTextAuthPassword, {}) {}
};

class EMBAuthUserError : public ERegConfigOp {
public:
  explicit EMBAuthUserError(std::string source) : ERegConfigOp(std::move(source), kTextAuthUser, {}) {}
};

class EMBAuthGeneralError : public ERegConfigOp {
public:
  EMBAuthGeneralError(std::string source, const std::string& tag) : ERegConfigOp(std::move(source), kTextAuthGeneral, {tag}) {}
};

// An inconsistency of a transfer or a login, named by a short tag ("rec size 1", "!ps").
class EMBInternalError : public ERegConfigOp {
public:
  EMBInternalError(std::string source, const std::string& tag) : ERegConfigOp(std::move(source), kTextInternalError, {tag}) {}
};

class EMBUnsupportedDevice : public ERegConfigOp {
public:
  // Text 2031 with the detail: the identification texts, a record band's tag, "hw x.y.z".
  EMBUnsupportedDevice(std::string source, const std::string& detail)
      : ERegConfigOp(std::move(source), kTextUnsupportedDevice, {detail})
  {
  }
  EMBUnsupportedDevice(std::string source, int stringId, std::initializer_list<FormatArg> args)
      : ERegConfigOp(std::move(source), stringId, args)
  {
  }
};

class EMBUnsupportedVersion : public EMBUnsupportedDevice {
public:
  // Text 2034 with the four bytes of the word, most significant first.
  EMBUnsupportedVersion(std::string source, std::uint32_t version);
  EMBUnsupportedVersion(std::string source, int stringId, std::initializer_list<FormatArg> args)
      : EMBUnsupportedDevice(std::move(source), stringId, args)
  {
  }
};

// The device's firmware is newer than the highest version given (text 1521; three
// numbers of each word are shown).
class EMBUnsupportedNewVersion : public EMBUnsupportedVersion {
public:
  EMBUnsupportedNewVersion(std::string source, std::uint32_t version, std::uint32_t highest);
};

// The device's firmware is older than the lowest version given (text 1520).
class EMBUnsupportedOldVersion : public EMBUnsupportedVersion {
public:
  EMBUnsupportedOldVersion(std::string source, std::uint32_t version, std::uint32_t lowest);
};

}  // namespace Registrator
