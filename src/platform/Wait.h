#pragma once

#include <cstddef>

class Event;

// How a wait on a descriptor ended. A set cancel event wins over a ready descriptor,
// so a cancel is seen at the first wait after it, whatever else is pending.
enum class WaitResult { Ready, Cancelled, TimedOut };

enum class WaitFor { Read, Write };

// Waits until `fd` is ready for `what`, `cancel` (may be null) is set, or `timeoutMs`
// passed (0 polls once). A descriptor in error or hung up counts as ready: the next
// read or write reports what happened. Raises EOSError when poll fails.
WaitResult WaitFd(int fd, WaitFor what, int timeoutMs, const Event* cancel);

// Waits for `cancel` alone: true when it was set within `timeoutMs`.
bool WaitCancel(const Event& cancel, int timeoutMs);

// The outcome of one non-blocking read or write.
struct IoResult {
  std::size_t bytes = 0;   // moved by this call
  bool wouldBlock = false; // nothing could move now
  bool truncated = false;  // a datagram was longer than the buffer; its head was kept
};
