#pragma once

#include <cerrno>

// The seam through which tests make system calls of the platform layer fail.
// Every system call of src/platform goes through SysCall(id, call): an injected fault
// makes the call fail with the chosen errno without entering the kernel, and EINTR,
// injected or real, is retried (close is never routed here: retrying it is unsafe; a
// close whose result matters goes through SysClose).
// Faults are per thread, so a test can break its own calls while a simulator thread
// in the same process keeps working.
enum class SysCallId {
  Open,
  Read,
  Write,
  Poll,
  Ioctl,
  EventFd,
  Socket,
  SetSockOpt,
  Connect,
  Bind,
  Listen,
  Accept,
  Send,
  Recv,
  GetAddrInfo,
  Lseek,
  Ftruncate,
  Fsync,
  Stat,
  Fchmod,
  Flock,
  Dup,
  Mkdir,
  Link,
  Rename,
  Unlink,
  Close,
  Count
};

// The next `times` calls of `id` on this thread, after `skip` calls that pass, fail
// with `error`. Injecting again for the same id replaces the earlier fault.
void InjectSysFault(SysCallId id, int error, int times = 1, int skip = 0);
void ClearSysFaults();

// A watcher hears of every call this thread makes through SysCall and SysClose, once before it
// and once after it (a failed or injected one included; the retries of EINTR are one
// call). A crash test stops a save at a chosen call this way and kills the process
// there. One watcher a thread; nullptr removes it.
enum class SysCallStage { Before, After };
using SysCallWatcher = void (*)(SysCallId id, SysCallStage stage);
void WatchSysCalls(SysCallWatcher watcher);

namespace sysfault_detail {
bool TakeFault(SysCallId id, int& error);
void Notify(SysCallId id, SysCallStage stage);
}

template <typename Call>
auto SysCall(SysCallId id, Call&& call) -> decltype(call())
{
  sysfault_detail::Notify(id, SysCallStage::Before);
  for (;;) {
    int injected = 0;
    if (sysfault_detail::TakeFault(id, injected)) {
      errno = injected;
      if (injected == EINTR) continue;
      sysfault_detail::Notify(id, SysCallStage::After);
      return -1;
    }
    auto result = call();
    if (result == -1 && errno == EINTR) continue;
    sysfault_detail::Notify(id, SysCallStage::After);
    return result;
  }
}

// Closes fd once; a Close fault reports its error after the descriptor is closed, as
// the kernel does: the descriptor is gone whatever close says, so it is never retried.
int SysClose(int fd);
