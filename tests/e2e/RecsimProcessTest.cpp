// kestrel-recsim as a person starts it, and the whole update against it over the
// address it prints.

#include "WindowDriving.h"
#include "modbus/CModbusEth.h"
#include "support/RecsimProcess.h"

namespace {

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
  environment.runUpgrade = ProgressWindowUpload(prompts, {});
  RunUpdateWorkflow(environment, transport, 1);

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
  TestApp();
  RecsimProcess recsim(
      {"--tcp", "0", "--quiet", "--profile", "corvane-21-2.1.70-h2.5-login", "--password", "1:secret"});
  const std::string port = recsim.LineAfter("tcp port ");
  ASSERT_FALSE(port.empty()) << "kestrel-recsim did not start";

  ModbusMaster::CModbusEth transport;
  transport.SetParams("mbtcp://127.0.0.1:" + port);
  transport.SetReplyTimeout(3000);
  ScriptedPrompts prompts;
  ProgressRecord progress;
  prompts.Answer(PromptResult::Ok)
      .Answer(PromptResult::Ok)
      .AnswerModal(DriveProgress(progress))
      .AnswerTask(PromptResult::Yes)
      .AnswerPassword("secret", false)
      .Answer(PromptResult::Ok);
  UpdateEnvironment environment(prompts, ReleaseImages());
  environment.runUpgrade = ProgressWindowUpload(prompts, {});
  RunUpdateWorkflow(environment, transport, 1);

  EXPECT_TRUE(prompts.Faults().empty()) << ::testing::PrintToString(prompts.Faults());
  EXPECT_EQ(AskedOfKind(prompts, PromptKind::Password).size(), 1u);
  EXPECT_EQ(progress.result, 1);
  EXPECT_TRUE(Contains(progress.log, "\nАвторизация\n")) << progress.log;
}

TEST(RecsimProcess, ListsItsProfiles)
{
  RecsimProcess recsim({"--list-profiles"});
  EXPECT_EQ(recsim.LineAfter("corvane-21-2.1.70"), "-h2.5");
}

}  // namespace
