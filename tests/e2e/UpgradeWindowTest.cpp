// The upload job in its progress window (RunUpgrade), against the simulated recorder:
// the window shows how the job ends, owns the job's prompts, and its button cancels
// the job. What the job itself does is tested in the core's own tests.

#include "WindowDriving.h"

#include "recsim/LoginHandlers.h"
#include "support/ModbusTestUtil.h"

namespace {

// An upload of one image as the main window starts it.
struct WindowedJob {
  explicit WindowedJob(RecorderRoad& road) : road(road) { TestApp(); }
  UpgradeOutcome Run(const std::vector<std::uint8_t>& bytes)
  {
    TMemoryStream image;
    FillStream(image, bytes);
    return RunUpgrade(UpgradeEnvironment{prompts, beeps.Event()}, *road.transport, road.unit, image);
  }
  std::vector<AskedPrompt> Boxes() const { return AskedOfKind(prompts, PromptKind::MessageBox); }

  RecorderRoad& road;
  ScriptedPrompts prompts;
  BeepLog beeps;
  ProgressRecord progress;
};

constexpr const char* kRecorder = "corvane-21-2.1.70-h2.5";

// After an install the window stays open with "OK" until the user closes it, and the
// job's final confirmation and password prompt are the window's.
TEST(UpgradeWindow, AfterTheInstallOkClosesItAndTheJobsPromptsAreOwnedByIt)
{
  RecorderRoad road(LinkKind::Tcp);
  auto profile = *recsim::FindProfile("pelkar-2.1.160");
  profile.SerialNumber = 3100011;  // the password cache lives as long as the process
  road.Serve(profile);
  road.Device([](recsim::Device& device) {
    recsim::Login(device).srp.SetPassword(1, "Secret_1");
    return 0;
  });
  WindowedJob job(road);
  job.prompts.AnswerModal(DriveProgress(job.progress)).AnswerTask(PromptResult::Yes).AnswerPassword("Secret_1", false);
  const UpgradeOutcome outcome = job.Run(Pattern(400));
  EXPECT_TRUE(outcome.installed);
  EXPECT_EQ(outcome.whyNot, "");

  EXPECT_EQ(job.progress.finishes, std::vector<JobEnd>{JobEnd::Succeeded});
  EXPECT_EQ(job.progress.result, 1);
  ASSERT_NE(job.progress.window, nullptr);
  const auto asked = job.prompts.Asked();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].kind, PromptKind::Modal);
  EXPECT_EQ(asked[1].kind, PromptKind::TaskDialog);
  EXPECT_EQ(asked[1].owner, job.progress.window);
  EXPECT_EQ(asked[2].kind, PromptKind::Password);
  EXPECT_EQ(asked[2].owner, job.progress.window);
  // The job's CR LF shows as one line break.
  EXPECT_TRUE(Contains(job.progress.log, "\nЗагрузка обновления выполнена успешно.\nВыключите и снова включите питание."))
      << job.progress.log;
  EXPECT_EQ(job.beeps.Sounds(), std::vector<BeepSound>{BeepSound::Default});
  EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
}

// A run that ends without an upload, or with an error left without a retry: the window
// stays open to be read in the first case, closes at once in the second, and either way
// ends with the cancel result.
TEST(UpgradeWindow, WithoutAnInstallTheWindowEndsAsCancelled)
{
  const struct {
    const char* name;
    int chunkStatus;  // the first chunk's, or -1
    PromptResult confirmation;
    JobEnd end;
    const char* logged;
    const char* whyNot;
  } cases[] = {
      {"declined", -1, PromptResult::Cancel, JobEnd::Declined, "\nотмена", "отменено"},
      {"error, not retried", 3, PromptResult::Yes, JobEnd::Cancelled, "\nОшибка: Ошибка обновления 3",
       "Ошибка обновления 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(kRecorder);
    if (c.chunkStatus >= 0) road.RefuseChunk(0, static_cast<std::uint8_t>(c.chunkStatus));
    WindowedJob job(road);
    job.prompts.AnswerModal(DriveProgress(job.progress)).AnswerTask(c.confirmation);
    if (c.chunkStatus >= 0) job.prompts.Answer(PromptResult::Cancel);
    const UpgradeOutcome outcome = job.Run(Pattern(600));
    EXPECT_FALSE(outcome.installed);
    EXPECT_EQ(outcome.whyNot, c.whyNot);

    EXPECT_EQ(job.progress.finishes, std::vector<JobEnd>{c.end});
    EXPECT_EQ(job.progress.result, 2);
    EXPECT_TRUE(Contains(job.progress.log, c.logged)) << job.progress.log;
    for (const auto& box : job.Boxes()) EXPECT_EQ(box.owner, job.progress.window);
    EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
  }
}

// The user cancels with the window's button while a chunk waits for its reply: the
// window asks, the job is told at once and ends the window with the cancel result, and
// neither an error box nor the install follows.
TEST(UpgradeWindow, CancelDuringTheUploadClosesTheWindowWithoutAnErrorBox)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, -1).OnFunction(0x68).Ms(200));
  WindowedJob job(road);
  bool endedByTheButton = false;
  job.prompts.AnswerModal(DriveProgress(job.progress,
                                        [&endedByTheButton](TProgressDialog& window) {
                                          QObject::connect(window.ProgressBar1, &QProgressBar::valueChanged, &window,
                                                           [&window, &endedByTheButton](int value) {
                                                             if (value == 0 || window.IsCancelled()) return;
                                                             window.Button1->click();
                                                             endedByTheButton = window.IsFinished();
                                                           });
                                        }))
      .AnswerTask(PromptResult::Yes)
      .Answer(PromptResult::Yes);  // "Прервать процесс?"
  const UpgradeOutcome outcome = job.Run(Pattern(10 * 246));
  EXPECT_FALSE(outcome.installed);
  EXPECT_EQ(outcome.whyNot, "прервано");

  const auto boxes = job.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].message.text, "Прервать процесс?");
  EXPECT_EQ(boxes[0].message.defaultButton, PromptResult::No);
  EXPECT_TRUE(endedByTheButton);
  ASSERT_FALSE(job.progress.finishes.empty());
  EXPECT_EQ(job.progress.finishes.front(), JobEnd::Cancelled);
  EXPECT_EQ(job.progress.result, 2);
  EXPECT_TRUE(road.Requests(0x68, 2).empty());
  EXPECT_LT(road.Requests(0x68, 1).size(), 10u);
  EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
}

// A cancel confirmed in the window while "Установка обновления" is on its way to its
// log: the job must not install an upload the user has just cancelled.
TEST(UpgradeWindow, CancelBeforeTheInstallKeepsTheInstallBack)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  WindowedJob job(road);
  bool endedByTheButton = false;
  job.prompts.AnswerModal(DriveProgress(job.progress,
                                        [&endedByTheButton](TProgressDialog& window) {
                                          QObject::connect(window.Memo1, &QPlainTextEdit::textChanged, &window,
                                                           [&window, &endedByTheButton] {
                                                             if (!window.Memo1->toPlainText().contains(
                                                                     "Установка обновления") ||
                                                                 window.IsCancelled())
                                                               return;
                                                             window.Button1->click();
                                                             endedByTheButton = window.IsFinished();
                                                           });
                                        }))
      .AnswerTask(PromptResult::Yes)
      .Answer(PromptResult::Yes);
  EXPECT_FALSE(job.Run(Pattern(500)).installed);
  EXPECT_TRUE(endedByTheButton);
  EXPECT_EQ(road.Requests(0x68, 1).size(), 3u);
  EXPECT_TRUE(road.Requests(0x68, 2).empty());
  EXPECT_EQ(job.Boxes().size(), 1u);
}

}  // namespace
