#include "platform/DirectoryWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/OSError.h"

DirectoryWatch::DirectoryWatch(const std::string& folder) : folder_(folder)
{
  fd_.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!fd_) throw EOSError("inotify_init1", errno);
  // A node renamed into place counts as created: udev and test trees both do that.
  constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;
  if (inotify_add_watch(fd_.Get(), folder.c_str(), kMask) < 0) throw EOSError("inotify_add_watch " + folder, errno);
}

bool DirectoryWatch::Drain()
{
  // Large enough for many events at once; what they name is not needed, only that
  // something changed.
  alignas(inotify_event) char buffer[4096];
  bool any = false;
  for (;;) {
    const ssize_t n = ::read(fd_.Get(), buffer, sizeof buffer);
    if (n > 0) {
      any = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return any;  // EAGAIN: the queue is empty
  }
}
