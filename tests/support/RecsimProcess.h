#pragma once

// kestrel-recsim started as its own process, as a person starts it; stopped with SIGTERM
// when the test ends. The test folder defines KESTREL_RECSIM, the program's path.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

// How the simulator is started: the program (the one built, or a copy of it), through a
// command that runs the rest of its command line (setpriv, say), and whether its
// standard error is read with its standard output.
struct RecsimLaunch {
  std::string program = KESTREL_RECSIM;
  std::vector<std::string> through;
  bool withErrors = false;
};

// The simulator as its own process; its standard output is read for the port it took.
class RecsimProcess {
public:
  explicit RecsimProcess(std::vector<std::string> args, const RecsimLaunch& launch = {})
  {
    args.insert(args.begin(), launch.program);
    args.insert(args.begin(), launch.through.begin(), launch.through.end());
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (launch.withErrors) posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    output_ = out[0];
  }
  ~RecsimProcess()
  {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    if (output_ >= 0) close(output_);
  }

  // The first line that begins with prefix, without it; empty when none came in time.
  std::string LineAfter(const std::string& prefix)
  {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::string& text = read_;
      for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        if (text.compare(start, prefix.size(), prefix) == 0) return text.substr(start + prefix.size(), end - start - prefix.size());
      if (!ReadSome()) break;
    }
    return {};
  }

  // For a simulator that ends by itself: everything it wrote, and its exit status (-1
  // when it did not end in time or was killed).
  std::pair<std::string, int> Ending()
  {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) ended = !ReadSome();
    int status = 0;
    // Its output closed as it exits: the wait that reaps it is a short one.
    const bool reaped = ended && pid_ > 0 && waitpid(pid_, &status, 0) == pid_;
    if (reaped) pid_ = -1;
    return {read_, reaped && WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }

private:
  // False at the end of the output; true when some came or nothing within 100 ms.
  bool ReadSome()
  {
    pollfd fd{output_, POLLIN, 0};
    if (poll(&fd, 1, 100) <= 0) return true;
    char buffer[256];
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n <= 0) return false;
    read_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int output_ = -1;
  std::string read_;
};
