#pragma once

#include <string>

#include "platform/Exception.h"

// A failed operating-system call: the call's name, the system's text and its errno.
// Layers above turn it into their own family with the code (the transports raise
// EMBSysError with it).
class EOSError : public Exception {
public:
  EOSError(std::string operation, int code);

  int Code() const noexcept { return code_; }
  const std::string& Operation() const noexcept { return operation_; }

protected:
  // For a family that words its message itself.
  EOSError(std::string operation, int code, std::string message);

private:
  std::string operation_;
  int code_;
};

// The system's own text for an errno value.
std::string SystemErrorText(int code);
