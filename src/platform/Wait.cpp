#include "platform/Wait.h"

#include <poll.h>

#include <chrono>

#include "platform/Event.h"
#include "platform/OSError.h"
#include "platform/SysFault.h"

namespace {

using Clock = std::chrono::steady_clock;

// poll with EINTR resumed on the time left, not the whole timeout again.
int PollFor(pollfd* fds, nfds_t count, int timeoutMs)
{
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    // Rounded up, so that a wait never ends before its time.
    auto micros = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    int left = micros <= 0 ? 0 : static_cast<int>((micros + 999) / 1000);
    int injected = 0;
    int rc;
    if (sysfault_detail::TakeFault(SysCallId::Poll, injected)) {
      errno = injected;
      rc = -1;
    } else {
      rc = ::poll(fds, count, left);
    }
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

}  // namespace

WaitResult WaitFd(int fd, WaitFor what, int timeoutMs, const Event* cancel)
{
  pollfd fds[2] = {{fd, static_cast<short>(what == WaitFor::Read ? POLLIN : POLLOUT), 0}, {-1, POLLIN, 0}};
  nfds_t count = 1;
  if (cancel) {
    fds[1].fd = cancel->Fd();
    count = 2;
  }
  int rc = PollFor(fds, count, timeoutMs < 0 ? 0 : timeoutMs);
  if (rc < 0) throw EOSError("poll", errno);
  if (cancel && (fds[1].revents & POLLIN)) return WaitResult::Cancelled;
  if (fds[0].revents != 0) return WaitResult::Ready;
  return WaitResult::TimedOut;
}

bool WaitCancel(const Event& cancel, int timeoutMs)
{
  pollfd fd{cancel.Fd(), POLLIN, 0};
  int rc = PollFor(&fd, 1, timeoutMs < 0 ? 0 : timeoutMs);
  if (rc < 0) throw EOSError("poll", errno);
  return (fd.revents & POLLIN) != 0;
}
