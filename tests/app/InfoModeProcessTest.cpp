// Runs the built program as a script would: no display, no window system variables.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "ReleaseImages.h"
#include "platform/ProgramResources.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

struct Outcome {
  int status = -1;  // exit status, or -1 when killed
  std::string errors;
};

// Starts kestrel in folder with the arguments (and the variables set), standard error to
// a file, and waits.
Outcome RunKestrel(const TempDir& folder, const std::vector<std::string>& args,
                   const std::vector<std::string>& variables = {})
{
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    for (const char* drop : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "KESTREL_CONFIG_HOME="}) {
      if (entry.rfind(drop, 0) == 0) entry.clear();
    }
    if (!entry.empty()) env.push_back(entry);
  }
  env.push_back("KESTREL_CONFIG_HOME=" + (folder / "config"));
  env.insert(env.end(), variables.begin(), variables.end());

  std::vector<std::string> argv = {KESTREL_EXECUTABLE};
  argv.insert(argv.end(), args.begin(), args.end());
  auto pointers = [](std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
  };
  auto argp = pointers(argv), envp = pointers(env);

  std::string errorsFile = folder / "stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errorsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::string cwd = folder.path().string();
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid;
  int spawned = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  Outcome outcome;
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argp[0];
    return outcome;
  }
  // A program that waited for a window would never end: give up after a generous minute.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "kestrel did not end";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  outcome.errors = ReadFileBytes(errorsFile);
  return outcome;
}

bool HasReleaseImages() { return ProgramResources().Names("FW").size() == 11; }

}  // namespace

TEST(InfoModeProcess, WritesTheListWithoutADisplay)
{
  if (!HasReleaseImages()) GTEST_SKIP() << "built without the release's images";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* file;  // relative to the folder
  };
  TempDir folder;
  const Case cases[] = {
      {"-info", {"-info", "out.txt"}, "out.txt"},
      {"-INFO", {"-INFO", "upper.txt"}, "upper.txt"},
      {"/info", {"/info", "slash.txt"}, "slash.txt"},
      {"absolute path", {"-info", folder / "absolute.txt"}, "absolute.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome outcome = RunKestrel(folder, c.args);
    EXPECT_EQ(outcome.status, 0) << outcome.errors;
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(ReadFileBytes(folder / c.file), kReleaseInfoFile);
  }
}

TEST(InfoModeProcess, AFileThatCannotBeCreatedFails)
{
  TempDir folder;
  Outcome last = RunKestrel(folder, {"-info"});
  EXPECT_NE(last.status, 0);
  EXPECT_NE(last.errors.find("Kestrel: Cannot create file \"\". No such file or directory\n"), std::string::npos)
      << last.errors;

  Outcome missing = RunKestrel(folder, {"-info", "none/out.txt"});
  EXPECT_NE(missing.status, 0);
  EXPECT_NE(missing.errors.find("Kestrel: Cannot create file \"" + (folder / "none/out.txt") + "\""), std::string::npos)
      << missing.errors;
}

// Without -info the program needs a display: without one it says so in one line instead
// of Qt's abort, and leaves the settings alone.
TEST(InfoModeProcess, WithoutADisplayTheWindowsSayWhyAndEnd)
{
  struct Case {
    const char* name;
    std::vector<std::string> variables;
  };
  const Case cases[] = {
      {"no display named", {}},
      {"a display that is not there", {"DISPLAY=:31999"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir folder;
    Outcome outcome = RunKestrel(folder, {}, c.variables);
    EXPECT_EQ(outcome.status, 1) << outcome.errors;
    const std::string line = "no display: set DISPLAY or use -info\n";
    if (c.variables.empty()) {
      EXPECT_EQ(outcome.errors, line);
    } else {
      EXPECT_TRUE(outcome.errors.size() >= line.size() &&
                  outcome.errors.compare(outcome.errors.size() - line.size(), line.size(), line) == 0)
          << outcome.errors;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "config")) << "nothing saved";
  }
}
