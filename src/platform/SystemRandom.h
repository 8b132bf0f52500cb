#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Exception.h"

// The kernel's random source could not deliver. Nothing predictable stands in for it:
// whoever needed the bytes has to give up.
class ESystemRandom : public Exception {
public:
  using Exception::Exception;
};

// Same contract as getrandom(2): the number of bytes written, or -1 with errno set.
// Tests pass their own to make the source fail.
using GetRandomCall = long (*)(void* buffer, std::size_t length, unsigned int flags);

// Fills `out` whole from getrandom(2). Interrupted and short reads are continued; a call
// that keeps failing is tried a few times (the source blocks only until the kernel's pool
// is first initialised) and then ESystemRandom is raised.
void FillSystemRandom(std::span<std::uint8_t> out);
void FillSystemRandom(std::span<std::uint8_t> out, GetRandomCall call);
