#include "platform/SysFault.h"

#include <unistd.h>

#include <array>

namespace {

struct Fault {
  int error = 0;
  int times = 0;
  int skip = 0;
};

thread_local std::array<Fault, static_cast<std::size_t>(SysCallId::Count)> faults;
thread_local bool anyFault = false;
thread_local SysCallWatcher watcher = nullptr;

}  // namespace

void InjectSysFault(SysCallId id, int error, int times, int skip)
{
  faults[static_cast<std::size_t>(id)] = Fault{error, times, skip};
  anyFault = true;
}

void ClearSysFaults()
{
  faults = {};
  anyFault = false;
}

void WatchSysCalls(SysCallWatcher w) { watcher = w; }

namespace sysfault_detail {

void Notify(SysCallId id, SysCallStage stage)
{
  if (!watcher) return;
  const int error = errno;  // the call's result, for the caller after it
  watcher(id, stage);
  errno = error;
}

bool TakeFault(SysCallId id, int& error)
{
  if (!anyFault) return false;
  Fault& fault = faults[static_cast<std::size_t>(id)];
  if (fault.times <= 0) return false;
  if (fault.skip > 0) {
    --fault.skip;
    return false;
  }
  --fault.times;
  error = fault.error;
  return true;
}

}  // namespace sysfault_detail

int SysClose(int fd)
{
  sysfault_detail::Notify(SysCallId::Close, SysCallStage::Before);
  int result = ::close(fd);
  int injected = 0;
  if (sysfault_detail::TakeFault(SysCallId::Close, injected)) {
    errno = injected;
    result = -1;
  }
  sysfault_detail::Notify(SysCallId::Close, SysCallStage::After);
  return result;
}
