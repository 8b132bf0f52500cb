// kestrel-recsim as a person starts it, and the whole update against it over the
// address it prints.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "RecorderRoad.h"
#include "modbus/CModbusEth.h"

extern char** environ;

namespace {

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

TEST(RecsimProcess, TheWholeUpdateAgainstTheStartedSimulator)
{
  TestApp();
  RecsimProcess recsim({"--tcp", "0", "--quiet", "--profile", "corvane-21-2.1.70-h2.5"});
  const std::string port = recsim.LineAfter("tcp port ");
  ASSERT_FALSE(port.empty()) << "kestrel-recsim printed no port";

  ModbusMaster::CModbusEth transport;
  transport.SetParams("mbtcp://127.0.0.1:" + port);
  transport.SetReplyTimeout(3000);
  ScriptedPrompts prompts;
  ProgressRecord progress;
  prompts.Answer(PromptResult::Ok)
      .Answer(PromptResult::Ok)
      .AnswerModal(DriveProgress(progress))
      .AnswerTask(PromptResult::Yes)
      .Answer(PromptResult::Ok);
  UpdateEnvironment environment(prompts, ReleaseImages());
  environment.beep = {};
  RunUpdateWorkflow(environment, transport, 1);

  EXPECT_TRUE(prompts.Faults().empty()) << ::testing::PrintToString(prompts.Faults());
  const auto texts = BoxTexts(prompts);
  ASSERT_EQ(texts.size(), 3u);
  // By default the simulator comes back as the release's newest firmware.
  EXPECT_TRUE(Contains(texts[2], "текущая версия ПО 2.1.160.115.")) << texts[2];
  EXPECT_EQ(progress.result, 1);
}

TEST(RecsimProcess, ListsItsProfiles)
{
  RecsimProcess recsim({"--list-profiles"});
  EXPECT_EQ(recsim.LineAfter("corvane-21-2.1.70"), "-h2.5");
}

}  // namespace
