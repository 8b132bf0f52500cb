#include "platform/Event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include "platform/OSError.h"
#include "platform/SysFault.h"
#include "platform/Wait.h"

Event::Event(Mode mode) : mode_(mode)
{
  int fd = SysCall(SysCallId::EventFd, [] { return ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); });
  if (fd < 0) throw EOSError("eventfd", errno);
  fd_.Reset(fd);
}

void Event::Set()
{
  std::uint64_t one = 1;
  // Only an overflow of the 64-bit counter could fail, and the event is set then.
  (void)SysCall(SysCallId::Write, [&] { return ::write(fd_.Get(), &one, sizeof one); });
}

void Event::Reset() { Consume(); }

bool Event::Consume()
{
  std::uint64_t value = 0;
  return SysCall(SysCallId::Read, [&] { return ::read(fd_.Get(), &value, sizeof value); }) ==
         static_cast<ssize_t>(sizeof value);
}

bool Event::IsSet() const { return WaitCancel(*this, 0); }

bool Event::Wait(int timeoutMs)
{
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (!WaitCancel(*this, left < 0 ? 0 : left)) return false;
    if (mode_ == Mode::ManualReset) return true;
    // Another waiter may have taken it between poll and read: wait on.
    if (Consume()) return true;
    if (left <= 0) return false;
  }
}
