#pragma once

// The independent reader of the configuration backup files
// (tests/recorder/config/backup_file.py, written from the file layouts alone), run on a
// file as its own process. A test folder that includes this defines KESTREL_PYTHON (the
// interpreter) and KESTREL_BACKUP_READER (the script).

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

struct BackupReading {
  int status = -1;                 // the reader's exit status; 0: the file holds
  std::vector<std::string> lines;  // what it found, one line each
  std::string faults;              // its standard error

  // The section lines after the first ("<tag> <count> <item size>"), or the area lines.
  std::vector<std::string> Sections() const { return {lines.begin() + (lines.empty() ? 0 : 1), lines.end()}; }
  // Only the tags of the sections, in file order.
  std::vector<int> Tags() const
  {
    std::vector<int> tags;
    for (const auto& line : Sections()) tags.push_back(std::stoi(line));
    return tags;
  }
};

inline BackupReading ReadBackupFile(const std::string& path, std::vector<std::string> extra = {})
{
  std::vector<std::string> args{KESTREL_PYTHON, KESTREL_BACKUP_READER, "check", path};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  BackupReading reading;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return reading;
  if (pipe2(err, O_CLOEXEC) != 0) return reading;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);

  std::string text[2];
  std::array<pollfd, 2> fds{pollfd{out[0], POLLIN, 0}, pollfd{err[0], POLLIN, 0}};
  int open = spawned == 0 ? 2 : 0;
  while (open > 0 && poll(fds.data(), fds.size(), 60000) > 0) {
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        text[i].append(buffer, static_cast<std::size_t>(n));
      } else {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  close(out[0]);
  close(err[0]);
  if (spawned == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    reading.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  } else {
    reading.faults = "cannot start " + args[0];
  }
  std::istringstream lines(text[0]);
  for (std::string line; std::getline(lines, line);) reading.lines.push_back(line);
  reading.faults += text[1];
  return reading;
}
