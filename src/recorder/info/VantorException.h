#pragma once

#include <cstdint>
#include <string>

#include "platform/Exception.h"
#include "platform/Format.h"
#include "platform/LoadStr.h"

// A number of the string table. It has a type of its own because EVantorInvalid also
// takes a bare number (a check number), and the two must never be confused.
struct StringId {
  int id;
};

// Configuration and record-format errors: bad data in a device record or the
// configuration file, and firmware versions a format does not support.
class EVantorException : public Exception {
public:
  explicit EVantorException(std::string text) : Exception(std::move(text)) {}
  explicit EVantorException(StringId text) : Exception(LoadStr(text.id)) {}
  template <typename... Args>
    requires(sizeof...(Args) > 0)
  EVantorException(StringId text, const Args&... args) : Exception(Format(LoadStr(text.id), args...))
  {
  }
};

// A version the format does not handle. Version() is the device's or the target's word.
class EVantorVersion : public EVantorException {
public:
  // Text 1523, "Неподдерживаемая версия ПО %u.%u.%u...", with the version's bytes.
  explicit EVantorVersion(std::uint32_t version);
  EVantorVersion(std::uint32_t version, std::string text) : EVantorException(std::move(text)), version_(version) {}

  std::uint32_t Version() const noexcept { return version_; }

private:
  std::uint32_t version_;
};

// The version is older than the oldest layout of the format (text 1523).
class EVantorUnsupportedOldVer : public EVantorVersion {
public:
  explicit EVantorUnsupportedOldVer(std::uint32_t version) : EVantorVersion(version) {}
};

// The version is newer than the newest layout. With newest given, the message is text
// 1521 naming both (newest is shown, not kept); without it, text 1523.
class EVantorUnsupportedNewVer : public EVantorVersion {
public:
  explicit EVantorUnsupportedNewVer(std::uint32_t version) : EVantorVersion(version) {}
  EVantorUnsupportedNewVer(std::uint32_t version, std::uint32_t newest);
};

// A record, field or value failed a check. The bare form names the check by its fixed
// number, shown as "{5190}"; the StringId forms carry a text of the string table.
class EVantorInvalid : public EVantorException {
public:
  explicit EVantorInvalid(unsigned check);
  explicit EVantorInvalid(StringId text) : EVantorException(text) {}
  template <typename... Args>
    requires(sizeof...(Args) > 0)
  EVantorInvalid(StringId text, const Args&... args) : EVantorException(text, args...)
  {
  }
};
