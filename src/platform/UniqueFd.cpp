#include "platform/UniqueFd.h"

#include <unistd.h>

void UniqueFd::Reset(int fd) noexcept
{
  if (fd_ >= 0 && fd_ != fd) ::close(fd_);
  fd_ = fd;
}
