// kestrel-recsim as a person starts it, and the whole update against it over the
// address it prints.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "WindowDriving.h"
#include "app/core/EthDiscovery.h"
#include "modbus/CModbusEth.h"
#include "platform/Wait.h"
#include "support/RecsimProcess.h"
#include "support/TempDir.h"

namespace {

// One whole update answered as a user would (the recorder, "Обновить до версии", "Да",
// the password when one is given, the recorder read again), against the simulator
// started with the arguments (a TCP port of its choice among them), over the port it
// printed.
void UpdateAgainst(std::vector<std::string> args, ScriptedPrompts& prompts, ProgressRecord& progress,
                   const char* password = nullptr)
{
  TestApp();
  prompts.Answer(PromptResult::Ok)
      .Answer(PromptResult::Ok)
      .AnswerModal(DriveProgress(progress))
      .AnswerTask(PromptResult::Yes);
  if (password) prompts.AnswerPassword(password, false);
  prompts.Answer(PromptResult::Ok);
  RecsimProcess recsim(std::move(args));
  const std::string port = recsim.LineAfter("tcp port ");
  ASSERT_FALSE(port.empty()) << "kestrel-recsim printed no port";
  ModbusMaster::CModbusEth transport;
  transport.SetParams("mbtcp://127.0.0.1:" + port);
  transport.SetReplyTimeout(3000);
  UpdateEnvironment environment(prompts, ReleaseImages());
  environment.runUpgrade = ProgressWindowUpload(prompts, {});
  RunUpdateWorkflow(environment, transport, 1);
}

TEST(RecsimProcess, TheWholeUpdateAgainstTheStartedSimulator)
{
  ScriptedPrompts prompts;
  ProgressRecord progress;
  UpdateAgainst({"--tcp", "0", "--quiet", "--profile", "corvane-21-2.1.70-h2.5"}, prompts, progress);

  EXPECT_TRUE(prompts.Faults().empty()) << ::testing::PrintToString(prompts.Faults());
  const auto texts = BoxTexts(prompts);
  ASSERT_EQ(texts.size(), 3u);
  // By default the simulator comes back as the release's newest firmware.
  EXPECT_TRUE(Contains(texts[2], "текущая версия ПО 2.1.160.115.")) << texts[2];
  EXPECT_EQ(progress.result, 1);
}

// A password for the named profile: the simulator is that recorder, protected, and an
// update logs in with the password given.
TEST(RecsimProcess, APasswordProtectsTheNamedProfile)
{
  ScriptedPrompts prompts;
  ProgressRecord progress;
  UpdateAgainst({"--tcp", "0", "--quiet", "--profile", "corvane-21-2.1.70-h2.5-login", "--password", "1:secret"},
                prompts, progress, "secret");

  EXPECT_TRUE(prompts.Faults().empty()) << ::testing::PrintToString(prompts.Faults());
  EXPECT_EQ(AskedOfKind(prompts, PromptKind::Password).size(), 1u);
  EXPECT_EQ(progress.result, 1);
  EXPECT_TRUE(Contains(progress.log, "\nАвторизация\n")) << progress.log;
}

// The discovery as the README has a person try it: on loopback's broadcast address.
TEST(RecsimProcess, AnswersTheDiscoveryOnLoopback)
{
  RecsimProcess recsim({"--discovery", "0", "--quiet"});
  const std::string port = recsim.LineAfter("discovery port ");
  ASSERT_FALSE(port.empty()) << "kestrel-recsim printed no discovery port";
  EthDiscovery discovery(DiscoveryTarget::Parse("127.255.255.255:" + port));
  discovery.Scan();
  ASSERT_EQ(WaitFd(discovery.SocketFd(), WaitFor::Read, 10000, nullptr), WaitResult::Ready);
  const std::vector<DiscoveryRow> rows = discovery.ReadReplies();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Item.Address, "127.0.0.1");
  EXPECT_EQ(rows[0].Item.Name, "Pelkar-740-L7");
  EXPECT_TRUE(rows[0].Description.ends_with(" / v2.1.160.0 / 2.1.0.0")) << rows[0].Description;
}

// Port 502, where the program reaches a recorder the discovery found, is root's: started
// by an ordinary user, the simulator names the port it was refused, tells how to get
// the right, and ends.
TEST(RecsimProcess, APortOnlyRootMayBindIsRefusedWithTheWayToGetTheRight)
{
  int unprivilegedFrom = 1024;
  std::ifstream("/proc/sys/net/ipv4/ip_unprivileged_port_start") >> unprivilegedFrom;
  if (unprivilegedFrom <= 502) GTEST_SKIP() << "every user may bind port 502 on this computer";
  TempDir dir;
  RecsimLaunch launch{.program = std::filesystem::canonical(KESTREL_RECSIM).string(), .through = {}, .withErrors = true};
  if (geteuid() == 0) {
    // As user nobody, from a copy in a folder anyone may enter.
    std::filesystem::copy_file(KESTREL_RECSIM, dir / "kestrel-recsim");
    launch.program = std::filesystem::canonical(dir / "kestrel-recsim").string();
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec);
    launch.through = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    if (!std::filesystem::exists(launch.through[0])) GTEST_SKIP() << "no setpriv to start it as a user";
  }
  RecsimProcess recsim({"--discovery", "0", "--tcp", "502"}, launch);
  const auto [output, status] = recsim.Ending();
  if (output.starts_with("tcp port 502\n")) GTEST_SKIP() << "this user has the right to bind port 502";
  EXPECT_EQ(status, 1);
  EXPECT_EQ(output,
            "kestrel-recsim: tcp port 502: bind: Permission denied (13)\n"
            "kestrel-recsim: a port below 1024 needs root, or this program given the right once (again\n"
            "after each rebuild):\n"
            "  sudo setcap cap_net_bind_service=+ep " + launch.program + "\n");
}

TEST(RecsimProcess, ListsItsProfiles)
{
  RecsimProcess recsim({"--list-profiles"});
  EXPECT_EQ(recsim.LineAfter("corvane-21-2.1.70"), "-h2.5");
}

}  // namespace
