// The upload job against the simulated recorder: chunks, statuses, retry, cancel, the
// final confirmation and the firmware windows. No window and no application object: the
// job reports to a progress of the test's own, and with no GUI thread bound its
// synchronous calls (log lines, prompts, the end of each run) run on its worker. The
// test's thread waits for the end and cancels as the progress window would.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "JobTestSupport.h"
#include "app/core/JobProgress.h"
#include "app/core/UpgradeJob.h"
#include "platform/Stream.h"
#include "recsim/LoginHandlers.h"
#include "support/ModbusTestUtil.h"
#include "support/RecorderRoad.h"

namespace {

// Whoever the recorder is, these tests upload to a model 21 at 2.1.70.
constexpr const char* kRecorder = "corvane-21-2.1.70-h2.5";

TEST(UpgradeJob, ImageOf247BytesGoesAs246AndOne)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Yes);
  const auto image = Pattern(247);
  EXPECT_TRUE(job.Run(image));

  const auto chunks = road.Requests(0x68, 1);
  ASSERT_EQ(chunks.size(), 2u);
  // Sub-function, u32 offset, u8 length, then the bytes.
  EXPECT_EQ(std::vector<std::uint8_t>(chunks[0].data.begin(), chunks[0].data.begin() + 6),
            (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x00, 0x00, 0xF6}));
  EXPECT_EQ(chunks[0].data.size(), 6u + 246u);
  EXPECT_EQ(chunks[1].data, (std::vector<std::uint8_t>{0x01, 0xF6, 0x00, 0x00, 0x00, 0x01, image[246]}));
  const auto install = road.Requests(0x68, 2);
  ASSERT_EQ(install.size(), 1u);
  EXPECT_EQ(install[0].data, (std::vector<std::uint8_t>{0x02, 0xF7, 0x00, 0x00, 0x00}));
  EXPECT_EQ(road.ReceivedImage(), image);
  EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{JobEnd::Succeeded});
  EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
}

// A status other than 0 from the recorder ends the run and offers a retry.
TEST(UpgradeJob, RecorderStatusesGiveTheirTextsAndTheRetryBox)
{
  const struct {
    const char* name;
    int chunkStatus;  // the first chunk's, or -1
    std::uint8_t installStatus;
    std::string text;
    std::vector<BeepSound> beeps;
    std::size_t installs;
  } cases[] = {
      {"chunk status 3", 3, 0, "Ошибка обновления 3", {}, 0},
      {"install status 10", -1, 10,
       "Ошибка обновления [10]\r\nОбновление не предназначено для данной версии регистратора", {BeepSound::Information}, 1},
      {"install status 7", -1, 7, "Ошибка обновления 7", {BeepSound::Error}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(kRecorder);
    if (c.chunkStatus >= 0) road.RefuseChunk(0, static_cast<std::uint8_t>(c.chunkStatus));
    road.Device([&](recsim::Device& device) {
      device.upload.installStatus = c.installStatus;
      return 0;
    });
    Job job(road);
    job.prompts.AnswerTask(PromptResult::Yes).Answer(PromptResult::Cancel);
    EXPECT_FALSE(job.Run(Pattern(600)));

    const auto boxes = job.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].message.text, c.text);
    EXPECT_EQ(boxes[0].message.buttons, PromptButtons::RetryCancel);
    EXPECT_EQ(boxes[0].message.icon, PromptIcon::Error);
    EXPECT_TRUE(Contains(job.progress.Log(), "\nОшибка: " + c.text)) << job.progress.Log();
    EXPECT_EQ(job.beeps.Sounds(), c.beeps);
    EXPECT_EQ(road.Requests(0x68, 2).size(), c.installs);
    EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{JobEnd::Cancelled});
  }
}

TEST(UpgradeJob, RetryRunsTheWholeJobAgainWithAnEmptyLog)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  road.RefuseChunk(0, 3);
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Yes)
      .Answer(PromptResult::Retry)
      .AnswerTask(PromptResult::Yes);
  const auto image = Pattern(1000);
  EXPECT_TRUE(job.Run(image));

  EXPECT_EQ(road.Requests(0x2B).size(), 2u);  // identified again
  EXPECT_EQ(road.ReceivedImage(), image);
  const std::string log = job.progress.Log();
  EXPECT_EQ(log.rfind("Подключение к ", 0), 0u) << log;
  EXPECT_EQ(Count(log, "Подключение к "), 1u);
  EXPECT_FALSE(Contains(log, "Ошибка"));
  EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{JobEnd::Succeeded});
}

// The user cancels while a chunk waits for its reply: the run ends at once as
// cancelled, and neither a Retry box nor the install follows.
TEST(UpgradeJob, CancelDuringTheUploadEndsTheRunWithoutAnErrorBox)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, -1).OnFunction(0x68).Ms(200));
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Yes);
  EXPECT_FALSE(job.Run(Pattern(10 * 246), [&job] {
    ASSERT_TRUE(job.progress.WaitForBytesSent());
    job.Cancel();
  }));

  // Once at the cancel, once more when the stopped run comes to its end.
  EXPECT_EQ(job.progress.Ends(), (std::vector<JobEnd>{JobEnd::Cancelled, JobEnd::Cancelled}));
  EXPECT_TRUE(job.Boxes().empty());
  EXPECT_TRUE(road.Requests(0x68, 2).empty());
  EXPECT_LT(road.Requests(0x68, 1).size(), 10u);
  EXPECT_TRUE(job.beeps.Sounds().empty());
  EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
}

// A cancel given while "Установка обновления" is on its way to the log: the job must
// not install an upload the user has just cancelled.
TEST(UpgradeJob, CancelBeforeTheInstallKeepsTheInstallBack)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  Job job(road);
  job.progress.onLine = [&job](const std::string& line) {
    if (line == "Установка обновления") job.Cancel();
  };
  job.prompts.AnswerTask(PromptResult::Yes);
  EXPECT_FALSE(job.Run(Pattern(500)));
  EXPECT_EQ(road.Requests(0x68, 1).size(), 3u);
  EXPECT_TRUE(road.Requests(0x68, 2).empty());
  EXPECT_TRUE(job.Boxes().empty());
  EXPECT_EQ(job.progress.Ends().front(), JobEnd::Cancelled);
}

// A cancel that only the job's flag sees, never the transport's cancel event: the flag
// set between two requests (the chunk in flight still gets its reply), or the thread
// told to stop as its owner goes. The upload looks at the flag before every chunk and
// ends the run there without a word: no further chunk, no install.
TEST(UpgradeJob, ACancelOnlyTheFlagSeesSendsNoFurtherChunk)
{
  constexpr std::size_t kChunks = 10;
  constexpr int kBeforeTheFirstChunk = -1;
  struct Row {
    const char* name;
    int whileChunkWaits;  // the chunk (from 0) whose request sets it, or kBeforeTheFirstChunk
    bool threadStopped;   // the thread is destroyed, not cancelled
    std::size_t chunksSent;
  };
  const Row rows[] = {
      {"flag set before the first chunk", kBeforeTheFirstChunk, false, 0},
      {"flag set while the first chunk waits", 0, false, 1},
      {"flag set while the sixth chunk waits", 5, false, 6},
      {"flag set while the last chunk waits", kChunks - 1, false, kChunks},
      {"thread stopped while the fourth chunk waits", 3, true, 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(kRecorder);
    ScriptedPrompts prompts;
    prompts.AnswerTask(PromptResult::Yes);
    BeepLog beeps;
    ProgressLog progress;
    auto thread = std::make_unique<TRegUpgradeThread>(*road.transport, &progress, prompts, beeps.Event());
    TRegUpgradeThread* job = thread.get();

    std::mutex mutex;
    std::condition_variable changed;
    bool reached = false;
    auto isTheChunk = [&](const recsim::LogEntry& entry) {
      if (entry.function != 0x68 || entry.data.size() < 5 || entry.data[0] != 1) return false;
      const std::uint32_t offset = entry.data[1] | entry.data[2] << 8 | entry.data[3] << 16 | entry.data[4] << 24;
      return row.whileChunkWaits >= 0 && offset == static_cast<std::uint32_t>(row.whileChunkWaits) * 246;
    };
    // On the server's thread, before it answers the chunk.
    road.server.SetLogSink([&](const recsim::LogEntry& entry) {
      if (!isTheChunk(entry)) return;
      if (!row.threadStopped) {
        job->Cancel();
        return;
      }
      {
        std::lock_guard lock(mutex);
        reached = true;
      }
      changed.notify_all();
      // The reply waits until the owner has begun to destroy the thread, which sets
      // nothing but the flag and then waits for the run to end: nobody is left to say
      // so, and the flag is looked at until it shows (within the reply's time-out).
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      std::unique_lock lock(mutex);
      while (!job->IsCancelled() && std::chrono::steady_clock::now() < deadline)
        changed.wait_for(lock, std::chrono::milliseconds(1));
      // The run's end takes the progress's lock after this reply: that orders the look
      // at the thread above before the thread goes, where a thread checker cannot see
      // through the socket.
      (void)progress.Ends();
    });
    progress.onLine = [&](const std::string& line) {
      if (row.whileChunkWaits == kBeforeTheFirstChunk && line == "Загрузка обновления") job->Cancel();
    };

    TMemoryStream image;
    FillStream(image, Pattern(kChunks * 246));
    thread->StartUpgrade(road.unit, image);
    if (row.threadStopped) {
      std::unique_lock lock(mutex);
      ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return reached; }));
    } else {
      ASSERT_TRUE(progress.WaitForEnd());
    }
    thread.reset();
    road.server.SetLogSink({});

    EXPECT_EQ(road.Requests(0x68, 1).size(), row.chunksSent);
    EXPECT_TRUE(road.Requests(0x68, 2).empty());
    EXPECT_EQ(progress.Ends(), std::vector<JobEnd>{JobEnd::Cancelled});
    const std::string log = progress.Log();
    EXPECT_EQ(log.substr(log.rfind('\n') + 1), "Загрузка обновления") << log;
    EXPECT_TRUE(AskedOfKind(prompts, PromptKind::MessageBox).empty());
    EXPECT_TRUE(beeps.Sounds().empty());
  }
}

// A cancel given once the run has reached its end, while that end is still on its way
// (the user's "Да" handled between the run's last line and its end): the end stands.
// An installed image is reported installed, a decline as declined, a failure with its
// Retry box.
TEST(UpgradeJob, CancelAfterTheRunReachedItsEndChangesNothing)
{
  const struct {
    const char* name;
    int refusedChunk;  // -1: none
    PromptResult confirmation;
    const char* cancelAt;  // the run's line at which the user cancels
    JobEnd end;
    bool retryBox;
  } cases[] = {
      {"installed", -1, PromptResult::Yes, "Загрузка обновления выполнена успешно.", JobEnd::Succeeded, false},
      {"declined", -1, PromptResult::Cancel, "отмена", JobEnd::Declined, false},
      {"failed", 1, PromptResult::Yes, "Ошибка: Ошибка обновления 3", JobEnd::Cancelled, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(kRecorder);
    if (c.refusedChunk >= 0) road.RefuseChunk(c.refusedChunk, 3);
    Job job(road);
    job.progress.onLine = [&job, &c](const std::string& line) {
      if (line.rfind(c.cancelAt, 0) == 0) job.Cancel();
    };
    job.prompts.AnswerTask(c.confirmation);
    if (c.retryBox) job.prompts.Answer(PromptResult::Cancel);
    EXPECT_EQ(job.Run(Pattern(500)), c.end == JobEnd::Succeeded);

    EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{c.end});
    EXPECT_EQ(job.progress.LateCancels(), 1);
    EXPECT_EQ(job.Boxes().size(), c.retryBox ? 1u : 0u);
    EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
  }
}

TEST(UpgradeJob, DecliningTheConfirmationLogsCancel)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Cancel);
  EXPECT_FALSE(job.Run(Pattern(300)));
  EXPECT_TRUE(Contains(job.progress.Log(), "\nотмена")) << job.progress.Log();
  EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{JobEnd::Declined});
  EXPECT_TRUE(road.Requests(0x68).empty());
  EXPECT_TRUE(job.Boxes().empty());
}

// The firmware windows the job accepts, and what is refused before: the information
// read refuses what is newer than it knows, so only older firmware reaches text 1411.
TEST(UpgradeJob, FirmwareWindows)
{
  enum class Outcome { Confirmation, RefusedByJob, RefusedByRead };
  const struct {
    const char* firmware;
    recsim::Brand brand;
    std::uint8_t model;
    Outcome outcome;
    std::string refusal;  // the job's log line, or the Retry box after the connection
  } cases[] = {
      {"2.0.0", recsim::Brand::Corvane, 21, Outcome::Confirmation, ""},
      {"2.1.160.255", recsim::Brand::Corvane, 21, Outcome::Confirmation, ""},
      {"2.2.3.255", recsim::Brand::Pelkar, 51, Outcome::Confirmation, ""},
      {"1.10.20", recsim::Brand::Corvane, 3, Outcome::RefusedByJob,
       "Ошибка: Ошибка. Регистратор по адресу 1, версия 1.10.20.\nДанная версия программы не совместима с подключенным "
       "регистратором.\nОбратитесь к разработчику для обновления программы"},
      {"2.1.161", recsim::Brand::Corvane, 21, Outcome::RefusedByRead,
       ": Регистратор имеет версию ПО 2.1.161\r\nПрограмма поддерживает работу с регистраторами версий до 2.1.160 "
       "включительно.\r\nДля работы с регистратором требуется обновление программы."},
      {"2.2.4", recsim::Brand::Pelkar, 51, Outcome::RefusedByRead,
       ": Регистратор имеет версию ПО 2.2.4\r\nПрограмма поддерживает работу с регистраторами версий до 2.1.160 "
       "включительно.\r\nДля работы с регистратором требуется обновление программы."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.firmware);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(recsim::BuildProfile({.Name = c.firmware, .BrandLine = c.brand, .Firmware = c.firmware, .Model = c.model,
                                     .SerialNumber = 12, .Signals = 10}));
    Job job(road);
    if (c.outcome == Outcome::Confirmation) job.prompts.AnswerTask(PromptResult::Cancel);
    if (c.outcome == Outcome::RefusedByRead) job.prompts.Answer(PromptResult::Cancel);
    EXPECT_FALSE(job.Run(Pattern(10)));
    EXPECT_EQ(job.AskedTask(), c.outcome == Outcome::Confirmation);
    if (c.outcome == Outcome::RefusedByRead) {
      ASSERT_EQ(job.Boxes().size(), 1u);
      EXPECT_EQ(job.Boxes()[0].message.text, road.Source() + c.refusal);
    }
    if (c.outcome == Outcome::RefusedByJob) {
      EXPECT_TRUE(Contains(job.progress.Log(), c.refusal)) << job.progress.Log();
      EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{JobEnd::Declined});
      EXPECT_TRUE(job.Boxes().empty());
    }
    EXPECT_TRUE(road.Requests(0x68).empty());
    EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
  }
}

// An error from outside the platform's family ends the run like any other: the Retry
// box with its message follows, and the progress does not wait forever.
TEST(UpgradeJob, ForeignErrorStillEndsTheRun)
{
  class BrokenStream : public TMemoryStream {
  public:
    std::int64_t GetSize() override { throw std::length_error("stream exploded"); }
  };
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Yes).Answer(PromptResult::Cancel);
  BrokenStream image;
  EXPECT_FALSE(job.Run(image));
  ASSERT_EQ(job.Boxes().size(), 1u);
  EXPECT_EQ(job.Boxes()[0].message.text, "stream exploded");
  EXPECT_TRUE(Contains(job.progress.Log(), "Ошибка: stream exploded"));
}

// The recorder drops the connection instead of answering a chunk it stored: the
// transport connects again and sends the chunk again, which the recorder takes as the
// repeat of its last chunk.
TEST(UpgradeJob, ChunkRepeatedAfterAClosedConnection)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::CloseConnection).OnFunction(0x68).After(1));
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Yes);
  const auto image = Pattern(800);
  EXPECT_TRUE(job.Run(image));
  EXPECT_EQ(road.ReceivedImage(), image);
  const auto chunks = road.Requests(0x68, 1);
  ASSERT_EQ(chunks.size(), 5u);  // four chunks, the second one twice
  EXPECT_EQ(chunks[1].data, chunks[2].data);
  EXPECT_NE(chunks[1].connection, chunks[2].connection);
  road.Device([](recsim::Device& device) {
    EXPECT_EQ(recsim::Firmware(device).chunksOutOfOrder, 0u);
    return 0;
  });
  EXPECT_TRUE(job.Boxes().empty());
}

// A recorder whose level 1 wants a password. The password cache lives as long as the
// process, so every test gets a recorder of its own serial number.
void ServeProtected(RecorderRoad& road, std::uint32_t serial)
{
  auto profile = *recsim::FindProfile("pelkar-2.1.160");
  profile.SerialNumber = serial;
  road.Serve(profile);
  road.Device([](recsim::Device& device) {
    recsim::Login(device).srp.SetPassword(1, "Secret_1");
    return 0;
  });
}

std::vector<AskedPrompt> PasswordPrompts(const ScriptedPrompts& prompts)
{
  return AskedOfKind(prompts, PromptKind::Password);
}

// Asked once, with the rows of the recorder and the level; remembered for the next
// upload to the same recorder.
TEST(UpgradeJobLogin, PasswordIsAskedOnceThenRemembered)
{
  RecorderRoad road(LinkKind::Tcp);
  ServeProtected(road, 3100001);
  Job first(road);
  first.prompts.AnswerTask(PromptResult::Yes).AnswerPassword("Secret_1", true);
  EXPECT_TRUE(first.Run(Pattern(400)));
  const auto asked = PasswordPrompts(first.prompts);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].password.connection, road.Source());
  EXPECT_EQ(asked[0].password.device, "Pelkar-740-L7 №3100001");
  EXPECT_EQ(asked[0].password.user, "Запись конфигурации");
  EXPECT_EQ(asked[0].password.maxLength, 15);
  EXPECT_TRUE(Contains(first.progress.Log(), "Загрузка обновления\nАвторизация\nУстановка обновления"))
      << first.progress.Log();
  EXPECT_EQ(road.Requests(0x6E).size(), 2u);

  // The install restarted the recorder, which wants the password again; the program
  // still has it.
  Job second(road);
  second.prompts.AnswerTask(PromptResult::Yes);
  EXPECT_TRUE(second.Run(Pattern(300)));
  EXPECT_TRUE(PasswordPrompts(second.prompts).empty());
  EXPECT_EQ(road.Requests(0x6E).size(), 4u);
  EXPECT_TRUE(second.prompts.Faults().empty()) << ::testing::PrintToString(second.prompts.Faults());
}

// A wrong password shows the recorder's refusal with Retry; the retry asks again.
TEST(UpgradeJobLogin, WrongPasswordShowsItsErrorAndIsAskedAgain)
{
  RecorderRoad road(LinkKind::Tcp);
  ServeProtected(road, 3100002);
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Yes)
      .AnswerPassword("Secret_2", true)
      .Answer(PromptResult::Retry)
      .AnswerTask(PromptResult::Yes)
      .AnswerPassword("Secret_1", false);
  const auto image = Pattern(300);
  EXPECT_TRUE(job.Run(image));
  const auto boxes = job.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].message.text, road.Source() + ": Ошибка авторизации: в доступе отказано (неверный пароль)");
  EXPECT_EQ(PasswordPrompts(job.prompts).size(), 2u);
  EXPECT_EQ(road.ReceivedImage(), image);
  EXPECT_TRUE(job.prompts.Faults().empty()) << ::testing::PrintToString(job.prompts.Faults());
}

TEST(UpgradeJobLogin, CancelledPasswordLogsCancel)
{
  RecorderRoad road(LinkKind::Tcp);
  ServeProtected(road, 3100003);
  Job job(road);
  job.prompts.AnswerTask(PromptResult::Yes).RefusePassword();
  EXPECT_FALSE(job.Run(Pattern(300)));
  EXPECT_TRUE(Contains(job.progress.Log(), "Авторизация\nотмена")) << job.progress.Log();
  EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{JobEnd::Declined});
  EXPECT_TRUE(road.Requests(0x68).empty());
  EXPECT_TRUE(road.Requests(0x6E).empty());
}

}  // namespace
