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

namespace sysfault_detail {

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
  int result = ::close(fd);
  int injected = 0;
  if (sysfault_detail::TakeFault(SysCallId::Close, injected)) {
    errno = injected;
    return -1;
  }
  return result;
}
