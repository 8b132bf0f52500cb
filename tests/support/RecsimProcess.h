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
#include <vector>

extern char** environ;

// The simulator as its own process; its standard output is read for the port it took.
class RecsimProcess {
public:
  explicit RecsimProcess(std::vector<std::string> args)
  {
    args.insert(args.begin(), KESTREL_RECSIM);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
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
    std::string text;
    while (std::chrono::steady_clock::now() < deadline) {
      for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        if (text.compare(start, prefix.size(), prefix) == 0) return text.substr(start + prefix.size(), end - start - prefix.size());
      pollfd fd{output_, POLLIN, 0};
      if (poll(&fd, 1, 100) <= 0) continue;
      char buffer[256];
      ssize_t n = read(output_, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return {};
  }

private:
  pid_t pid_ = -1;
  int output_ = -1;
};
