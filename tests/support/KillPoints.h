#pragma once

// A save killed part-way: it runs in a child process that stops itself at its n-th
// event of the platform's system-call seam (just before or just after one call), where
// this process kills it with SIGKILL. A crash test walks n from 1 up until the save runs
// to its end, so that every step of the save is a kill point.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/SysFault.h"

struct KillOutcome {
  bool killed = false;  // false: the save ran to its end before the point
  int exitCode = -1;    // when not killed: 0 the save returned, 1 it raised
  SysCallId call = SysCallId::Count;
  SysCallStage stage = SysCallStage::Before;
};

inline const char* SysCallName(SysCallId id)
{
  switch (id) {
  case SysCallId::Open: return "open";
  case SysCallId::Read: return "read";
  case SysCallId::Write: return "write";
  case SysCallId::Lseek: return "lseek";
  case SysCallId::Ftruncate: return "ftruncate";
  case SysCallId::Fsync: return "fsync";
  case SysCallId::Stat: return "stat";
  case SysCallId::Fchmod: return "fchmod";
  case SysCallId::Flock: return "flock";
  case SysCallId::Dup: return "dup";
  case SysCallId::Mkdir: return "mkdir";
  case SysCallId::Link: return "link";
  case SysCallId::Rename: return "rename";
  case SysCallId::Unlink: return "unlink";
  case SysCallId::Close: return "close";
  default: return "another call";
  }
}

// "before write", "after rename".
inline std::string KillPointName(const KillOutcome& outcome)
{
  return std::string(outcome.stage == SysCallStage::Before ? "before " : "after ") + SysCallName(outcome.call);
}

namespace killpoints_detail {

inline int stopAt = 0;
inline int seen = 0;
inline int reportFd = -1;

inline void StopAtThePoint(SysCallId id, SysCallStage stage)
{
  if (++seen != stopAt) return;
  const unsigned char report[2] = {static_cast<unsigned char>(id), static_cast<unsigned char>(stage)};
  if (::write(reportFd, report, sizeof report) != sizeof report) ::_exit(3);
  ::raise(SIGSTOP);  // the parent's SIGKILL ends it here
  ::_exit(4);
}

}  // namespace killpoints_detail

// `save` in a child stopped at seam event `point` (from 1) and killed there. The child
// leaves by _exit: nothing of this process's own (test framework, temporary folders)
// is torn down twice.
inline KillOutcome RunKilledAt(int point, const std::function<void()>& save)
{
  KillOutcome outcome;
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return outcome;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(report[0]);
    killpoints_detail::stopAt = point;
    killpoints_detail::seen = 0;
    killpoints_detail::reportFd = report[1];
    WatchSysCalls(&killpoints_detail::StopAtThePoint);
    int code = 0;
    try {
      save();
    } catch (...) {
      code = 1;
    }
    ::_exit(code);
  }
  ::close(report[1]);
  if (pid < 0) {
    ::close(report[0]);
    return outcome;
  }
  int status = 0;
  while (::waitpid(pid, &status, WUNTRACED) < 0 && errno == EINTR) {
  }
  if (WIFSTOPPED(status)) {
    unsigned char where[2] = {};
    if (::read(report[0], where, sizeof where) == sizeof where) {
      outcome.call = static_cast<SysCallId>(where[0]);
      outcome.stage = static_cast<SysCallStage>(where[1]);
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  } else if (WIFEXITED(status)) {
    outcome.exitCode = WEXITSTATUS(status);
  }
  ::close(report[0]);
  return outcome;
}
