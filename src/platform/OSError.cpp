#include "platform/OSError.h"

#include <cstring>

#include "platform/Format.h"

std::string SystemErrorText(int code)
{
  char buffer[256];
  // GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return text ? text : "";
}

EOSError::EOSError(std::string operation, int code)
    : Exception(Format("%s: %s (%d)", operation, SystemErrorText(code), code)),
      operation_(std::move(operation)), code_(code)
{
}

EOSError::EOSError(std::string operation, int code, std::string message)
    : Exception(std::move(message)), operation_(std::move(operation)), code_(code)
{
}
