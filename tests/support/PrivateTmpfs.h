#pragma once

// A small file system of the test's own: a child process enters a mount namespace of
// its own (and a user namespace first when the test is not root), mounts a tmpfs of the
// given size on an empty folder and stays until the object dies. Nobody else sees the
// mount; this process reaches it through the child's root, /proc/<child>/root/<folder>,
// so the code under test runs here, in the test, against a real full disk or a real
// read-only file system.
//
// Where the machine allows no namespace or no mount, Ready() is false and Why() says
// what failed, for a GTEST_SKIP.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "support/TempDir.h"

class PrivateTmpfs {
public:
  struct Options {
    std::size_t sizeBytes = 64 * 1024;
    // Run in the child on the fresh mount (its folder as the child sees it), before a
    // read-only one is made read-only: what the file system should hold.
    std::function<void(const std::string& folder)> prepare;
    bool readOnly = false;
  };

  explicit PrivateTmpfs(const Options& options)
  {
    int ready[2], hold[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(hold, O_CLOEXEC) != 0) {
      why_ = "no pipe";
      return;
    }
    const std::string folder = mountPoint_.path().string();
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(hold[1]);
      const std::string failure = Enter(folder, uid, gid, options);
      const std::string answer = failure.empty() ? "ready" : failure;
      if (::write(ready[1], answer.data(), answer.size()) < 0) ::_exit(2);
      ::close(ready[1]);
      // Until the test closes its end, or dies.
      char byte;
      while (::read(hold[0], &byte, 1) < 0 && errno == EINTR) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    hold_ = hold[1];
    if (pid_ < 0) {
      ::close(ready[0]);
      why_ = "no fork";
      return;
    }
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = ::read(ready[0], buffer, sizeof buffer)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(ready[0]);
    if (answer == "ready") {
      root_ = "/proc/" + std::to_string(pid_) + "/root" + folder;
    } else {
      why_ = answer.empty() ? "the namespace's process ended" : answer;
    }
  }

  ~PrivateTmpfs()
  {
    if (hold_ >= 0) ::close(hold_);
    if (pid_ > 0) {
      int status;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  PrivateTmpfs(const PrivateTmpfs&) = delete;
  PrivateTmpfs& operator=(const PrivateTmpfs&) = delete;

  bool Ready() const { return !root_.empty(); }
  const std::string& Why() const { return why_; }
  // A name on the file system, as this process reaches it.
  std::string operator/(const std::string& name) const { return root_ + "/" + name; }

private:
  static std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

  static bool WriteText(const char* file, const std::string& text)
  {
    const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
  }

  // In the child: the namespaces and the mount; empty, or what failed.
  static std::string Enter(const std::string& folder, uid_t uid, gid_t gid, const Options& options)
  {
    if (uid != 0) {
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return Failed("unshare(user, mount namespace)");
      if (!WriteText("/proc/self/setgroups", "deny") ||
          !WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
          !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return Failed("user namespace map");
    } else if (::unshare(CLONE_NEWNS) != 0) {
      return Failed("unshare(mount namespace)");
    }
    // The mount must not travel back to the machine's own namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return Failed("private mounts");
    const std::string data = "size=" + std::to_string(options.sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, data.c_str()) != 0) return Failed("mount tmpfs");
    if (options.prepare) options.prepare(folder);
    if (options.readOnly &&
        ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, data.c_str()) != 0)
      return Failed("remount read-only");
    return {};
  }

  TempDir mountPoint_;
  pid_t pid_ = -1;
  int hold_ = -1;
  std::string root_;
  std::string why_;
};
