#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <functional>
#include <thread>

// Runs `work` on a thread of its own that meets permission bits as a user does. A test
// run as root would otherwise write into any folder; capabilities belong to a thread on
// Linux, so dropping the effective ones there leaves the rest of the test as it was.
inline void RunAsAUser(const std::function<void()>& work)
{
  std::thread([&] {
    if (::geteuid() == 0) {
      __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
      __user_cap_data_struct data[2] = {};
      if (::syscall(SYS_capget, &header, data) == 0) {
        data[0].effective = data[1].effective = 0;
        (void)::syscall(SYS_capset, &header, data);
      }
    }
    work();
  }).join();
}
