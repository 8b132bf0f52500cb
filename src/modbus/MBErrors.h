#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/Exception.h"
#include "platform/Format.h"

namespace ModbusMaster {

// Numbers of the communication texts in the string table (resources/strings/modbus.txt).
enum MBText : int {
  kTextConnectError = 2002,   // "Ошибка подключения\r\n%s"
  kTextWriteError = 2003,     // "Ошибка записи данных\r\n%s"
  kTextReadError = 2004,      // "Ошибка чтения данных\r\n%s"
  kTextReplyTimeout = 2005,
  kTextOverrun = 2006,
  kTextFrameError = 2007,
  kTextParityError = 2008,
  kTextReplyLength = 2009,
  kTextCrcError = 2010,
  kTextNotModbus = 2011,      // reply does not follow the protocol
  kTextWrongReply = 2012,     // reply refused by the check of its message
  kTextSystemError = 2013,    // "System error. Code: %d.\r\n%s"
  kTextBadScheme = 2014,
  kTextServerException = 2015,
  kTextUnitAddress = 2025,    // "%s, адрес %u"
  kTextBadParameter = 2026,
};

// Root of the communication errors. The message is the source (which connection),
// ": " and the detail, or the source alone when the detail is empty.
class EMBError : public Exception {
public:
  EMBError(std::string source, std::string detail);
  EMBError(std::string source, int stringId, std::initializer_list<FormatArg> args);
  EMBError(std::string source, std::string_view format, std::initializer_list<FormatArg> args);

  const std::string& Source() const noexcept { return source_; }
  const std::string& Detail() const noexcept { return detail_; }

private:
  std::string source_;
  std::string detail_;
};

// The transport's cancel event was set: the caller stops without an error box.
class EMBCancelError : public EMBError {
public:
  explicit EMBCancelError(std::string source) : EMBError(std::move(source), std::string()) {}
};

// A failed operating-system or socket call (2002 connect, 2003 write, 2004 read),
// or an unsupported URL scheme (2014).
class EMBSysError : public EMBError {
public:
  // 2002/2003/2004 with the system detail: text 2013 with the code and the system's
  // text for it, or nothing when the code is 0.
  EMBSysError(std::string source, int stringId, int systemCode);
  // The same with a text of our own for the code (the resolver's, which has no errno).
  EMBSysError(std::string source, int stringId, int code, std::string_view codeText);
  // 2014 and other texts with one text argument.
  EMBSysError(std::string source, int stringId, std::string_view argument);

  int SystemCode() const noexcept { return systemCode_; }

private:
  int systemCode_ = 0;
};

// A parameter the transport cannot use: 2026 with the parameter's text.
class EMBPramError : public EMBError {
public:
  EMBPramError(std::string source, std::string_view parameter);
};

// A failed exchange: the line or the reply was not right.
class EMBCommError : public EMBError {
public:
  EMBCommError(std::string source, int stringId, std::initializer_list<FormatArg> args)
      : EMBError(std::move(source), stringId, args)
  {
  }
};

class EMBReplyTimeoutError : public EMBCommError {
public:
  EMBReplyTimeoutError(std::string source, std::uint32_t received)
      : EMBCommError(std::move(source), kTextReplyTimeout, {received})
  {
  }
};

class EMBReplyFrameError : public EMBCommError {
public:
  EMBReplyFrameError(std::string source, std::uint32_t received)
      : EMBCommError(std::move(source), kTextFrameError, {received})
  {
  }
};

class EMBReplyParityError : public EMBCommError {
public:
  EMBReplyParityError(std::string source, std::uint32_t received)
      : EMBCommError(std::move(source), kTextParityError, {received})
  {
  }
};

// Kept for completeness of the family: no transport raises it.
class EMBReplyLengthError : public EMBCommError {
public:
  EMBReplyLengthError(std::string source, std::uint32_t received)
      : EMBCommError(std::move(source), kTextReplyLength, {received})
  {
  }
};

class EMBReplyCRCError : public EMBCommError {
public:
  EMBReplyCRCError(std::string source, std::uint32_t received)
      : EMBCommError(std::move(source), kTextCrcError, {received})
  {
  }
};

// An error reported by or about the device. The recorder-access layer derives its
// device-operation family (Registrator::ERegConfigOp) from it, building its detail
// either as a ready text or from a numbered text with arguments.
class EMBDeviceError : public EMBError {
public:
  EMBDeviceError(std::string source, std::string detail) : EMBError(std::move(source), std::move(detail)) {}
  EMBDeviceError(std::string source, int stringId, std::initializer_list<FormatArg> args)
      : EMBError(std::move(source), stringId, args)
  {
  }
};

// The device answered with a Modbus exception: 2015 with the code and its name.
class EMBServerException : public EMBDeviceError {
public:
  EMBServerException(std::string source, std::uint8_t code);

  std::uint32_t Code() const noexcept { return code_; }

private:
  std::uint32_t code_;
};

// The name of a Modbus exception code (texts 2016-2024), "?" for codes without one.
std::string ServerExceptionName(std::uint8_t code);

}  // namespace ModbusMaster
