// The configuration backup the upload job's final confirmation offers: its command link,
// the file prompt, and what each answer leads to.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "JobTestSupport.h"
#include "platform/SysFault.h"
#include "recsim/ConfigProfiles.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/LoginHandlers.h"
#include "support/BackupReader.h"
#include "support/ServedRecords.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kRecorder = "corvane-21-2.1.70-h2.5";  // serial number 2170025
constexpr int kBackupLink = 100;

TEST(BackupWorker, ConfirmationOffersTheLinkAndTheFilePromptProposesTheSerialNumber)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  Job job(road);
  job.prompts.AnswerTask(kBackupLink).AnswerSaveFile(std::nullopt).AnswerTask(PromptResult::Cancel);
  EXPECT_FALSE(job.Run(Pattern(300)));

  EXPECT_TRUE(job.prompts.Faults().empty()) << testing::PrintToString(job.prompts.Faults());
  EXPECT_EQ(AskedKinds(job.prompts),
            (std::vector<PromptKind>{PromptKind::TaskDialog, PromptKind::SaveFile, PromptKind::TaskDialog}));
  const auto tasks = AskedOfKind(job.prompts, PromptKind::TaskDialog);
  ASSERT_EQ(tasks.size(), 2u);
  for (const auto& task : tasks) {
    ASSERT_EQ(task.task.links.size(), 1u);
    EXPECT_EQ(task.task.links[0].id, kBackupLink);
    EXPECT_EQ(task.task.links[0].caption, "Сделать резервную копию");
    EXPECT_EQ(task.task.links[0].hint, "текущей конфигурации регистратора в файл на ПК");
  }
  const SaveFileRequest file = AskedOfKind(job.prompts, PromptKind::SaveFile).at(0).saveFile;
  EXPECT_EQ(file.fileName, "2170025");
  EXPECT_EQ(file.folder, "");
  EXPECT_EQ(file.filter, "Конфигурация регистратора (*.cfg)|*.cfg");
  EXPECT_EQ(file.defaultExt, "cfg");
  EXPECT_EQ(file.title, "");
  EXPECT_TRUE(file.confirmOverwrite);

  // A cancelled prompt does nothing but show the confirmation again; its Cancel then
  // ends the job as declined, with nothing read beyond what the job reads anyway.
  EXPECT_TRUE(Contains(job.progress.Log(), "\nотмена")) << job.progress.Log();
  EXPECT_EQ(job.progress.Ends(), std::vector<JobEnd>{JobEnd::Declined});
  EXPECT_TRUE(road.Requests(0x65).empty());
  EXPECT_TRUE(road.Requests(0x68).empty());
}

// A cancel while the file prompt is open: the confirmation gives up, nothing is read or
// written, and the run ends as cancelled without an error box.
TEST(BackupWorkerCancel, WhileTheFilePromptIsOpen)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(kRecorder);
  TempDir dir;
  const std::string path = dir / "backup.cfg";
  Job job(road);
  job.prompts.AnswerTask(kBackupLink).AnswerSaveFileWith([&](const SaveFileRequest&) {
    job.Cancel();
    return std::optional<std::string>(path);
  });
  EXPECT_FALSE(job.Run(Pattern(300)));
  // Once at the cancel, once more when the stopped run comes to its end.
  EXPECT_EQ(job.progress.Ends(), (std::vector<JobEnd>{JobEnd::Cancelled, JobEnd::Cancelled}));
  EXPECT_TRUE(job.Boxes().empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_TRUE(road.Requests(0x65).empty());
  EXPECT_TRUE(road.Requests(0x68).empty());
}

// --- Backups written -----------------------------------------------------------

// A recorder of the simulator's configuration profiles.
recsim::DeviceProfile ConfigProfile(const std::string& name)
{
  for (const auto& description : recsim::ConfigProfiles())
    if (description.Name == name) return recsim::BuildProfile(description);
  ADD_FAILURE() << "no configuration profile " << name;
  return {};
}

// A backup through the job, then the upload; the file checked by the independent reader
// against what the simulator served.
struct BackupJob {
  BackupJob(LinkKind link, const std::string& profile) : road(link), name(profile)
  {
    road.Serve(ConfigProfile(profile));
    road.transport->SetReplyTimeout(300);
  }
  // The save prompt's answer: the path, once the served records are noted.
  std::optional<std::string> Choose(const std::string& chosen)
  {
    road.Device([&](recsim::Device& device) {
      DumpServed(device, served);
      return 0;
    });
    return chosen;
  }
  BackupReading Check() const
  {
    return ReadBackupFile(path, {"--served", served, ConfigProfileFile(name)});
  }

  RecorderRoad road;
  std::string name;
  TempDir dir;
  std::string path = dir / "backup.cfg";
  std::string served = dir / "served.txt";
  Job job{road};
};

TEST(BackupWorker, WrittenThenTheUploadGoesOnWithoutAskingAgain)
{
  BackupJob backup(LinkKind::Tcp, "corvane-21-2.1.160-h2.5");
  backup.job.prompts.AnswerTask(kBackupLink).AnswerSaveFileWith(
      [&](const SaveFileRequest&) { return backup.Choose(backup.path); });
  EXPECT_TRUE(backup.job.Run(Pattern(300)));

  EXPECT_TRUE(backup.job.prompts.Faults().empty()) << testing::PrintToString(backup.job.prompts.Faults());
  EXPECT_EQ(AskedKinds(backup.job.prompts), (std::vector<PromptKind>{PromptKind::TaskDialog, PromptKind::SaveFile}));
  EXPECT_TRUE(Contains(backup.job.progress.Log(),
                       "\nрезервная копия сохранена в " + backup.path + "\nЗагрузка обновления\n"))
      << backup.job.progress.Log();
  const BackupReading reading = backup.Check();
  EXPECT_EQ(reading.status, 0) << reading.faults;
  EXPECT_EQ(backup.road.ReceivedImage(), Pattern(300));
}

// The 2.2 branch reaches the backup only when the device information contradicts the
// identification text, so only here: its summary board is kept, its file has no tag
// fields and no relay section.
TEST(BackupWorker, BranchKeepsItsSummaryBoard)
{
  BackupJob backup(LinkKind::Tcp, "pelkar-51-2.2.1");
  backup.job.prompts.AnswerTask(kBackupLink).AnswerSaveFileWith(
      [&](const SaveFileRequest&) { return backup.Choose(backup.path); });
  EXPECT_TRUE(backup.job.Run(Pattern(300)));
  const BackupReading reading = backup.Check();
  EXPECT_EQ(reading.status, 0) << reading.faults;
  const auto tags = reading.Tags();
  EXPECT_NE(std::find(tags.begin(), tags.end(), 43), tags.end());
  EXPECT_EQ(std::find(tags.begin(), tags.end(), 36), tags.end());
}

// A profile's name as a test's: letters and digits, the rest '_'.
std::string TestName(std::string profile)
{
  for (char& c : profile)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return profile;
}

// The configuration read's edge recorders (more than 32 relays or inputs read one
// record a request, the program's blob on either side of its function change, tag
// fields from their first firmware): each file holds what was served.
class BackupWorkerEdges : public testing::TestWithParam<const char*> {};

TEST_P(BackupWorkerEdges, FileHoldsWhatWasServed)
{
  BackupJob backup(LinkKind::Tcp, GetParam());
  backup.job.prompts.AnswerTask(kBackupLink).AnswerSaveFileWith(
      [&](const SaveFileRequest&) { return backup.Choose(backup.path); });
  EXPECT_TRUE(backup.job.Run(Pattern(300)));
  const BackupReading reading = backup.Check();
  EXPECT_EQ(reading.status, 0) << reading.faults;
}

INSTANTIATE_TEST_SUITE_P(Profiles, BackupWorkerEdges,
                         testing::Values("edge-2.1.53", "edge-2.1.54-do36", "edge-2.1.109-amx", "edge-2.1.126-amx",
                                         "edge-2.1.140-ai32"),
                         [](const auto& info) { return TestName(info.param); });

// The recorders the README walks to: wherever a walk reaches the confirmation, its
// backup link reads the whole configuration and saves it, and the upload goes on (after
// the login where the recorder wants a password).
struct WalkedRecorder {
  const char* profile;
  const char* password;  // protecting level 1; empty: none
  const char* heading;   // the independent reader's first line for the file
};

void PrintTo(const WalkedRecorder& row, std::ostream* out) { *out << row.profile; }

class BackupWorkerOnAWalkedRecorder : public testing::TestWithParam<WalkedRecorder> {};

TEST_P(BackupWorkerOnAWalkedRecorder, ReadsAndSavesTheWholeConfiguration)
{
  const WalkedRecorder& row = GetParam();
  BackupJob backup(LinkKind::Tcp, row.profile);
  auto& prompts = backup.job.prompts;
  prompts.AnswerTask(kBackupLink).AnswerSaveFileWith([&](const SaveFileRequest&) { return backup.Choose(backup.path); });
  if (*row.password) {
    backup.road.Device([&](recsim::Device& device) {
      recsim::Login(device).srp.SetPassword(1, row.password);
      return 0;
    });
    prompts.AnswerPassword(row.password, false);
  }
  EXPECT_TRUE(backup.job.Run(Pattern(300)));

  EXPECT_TRUE(prompts.Faults().empty()) << testing::PrintToString(prompts.Faults());
  EXPECT_EQ(prompts.Pending(), 0u);
  EXPECT_TRUE(Contains(backup.job.progress.Log(),
                       "\nрезервная копия сохранена в " + backup.path + "\nЗагрузка обновления\n"))
      << backup.job.progress.Log();
  const BackupReading reading = backup.Check();
  EXPECT_EQ(reading.status, 0) << reading.faults;
  ASSERT_FALSE(reading.lines.empty());
  EXPECT_EQ(reading.lines[0], row.heading);
  EXPECT_EQ(backup.road.ReceivedImage(), Pattern(300));
}

INSTANTIATE_TEST_SUITE_P(Readme, BackupWorkerOnAWalkedRecorder,
                         testing::Values(WalkedRecorder{"corvane-21-2.1.70-h2.5", "", "RCF2 2.1.70.0 00002000"},
                                         WalkedRecorder{"corvane-21-2.1.70-h2.5-login", "secret",
                                                        "RCF2 2.1.70.0 00012000"},
                                         WalkedRecorder{"corvane-21-2.1.160-h2.5", "", "RCF2 2.1.160.0 0B08E501"}),
                         [](const auto& info) { return TestName(info.param.profile); });

// A failure during the backup ends the run with the Retry box (or, a cancel, quietly);
// the previous backup file stays whole and no temporary file is left. Retry then does
// the backup and the upload.
struct FaultCase {
  const char* name;
  std::function<void(BackupJob&)> arrange;   // before the run
  std::function<void()> atSavePrompt;        // on the worker, as the file is chosen
  bool cancel = false;
  // The Retry box's text for the path, where the test knows it word for word.
  std::function<std::string(const std::string& path)> boxText = {};
};

class BackupWorkerFault : public testing::TestWithParam<FaultCase> {};

TEST_P(BackupWorkerFault, LeavesThePreviousFileAndRetryCompletes)
{
  const FaultCase& c = GetParam();
  BackupJob backup(LinkKind::Tcp, "corvane-21-2.1.160-h2.5");
  WriteFileBytes(backup.path, "the previous backup");
  if (c.arrange) c.arrange(backup);
  auto& prompts = backup.job.prompts;
  // The progress window's cancel, pressed while the reads wait on a slow recorder.
  std::thread canceller;
  prompts.AnswerTask(kBackupLink).AnswerSaveFileWith([&](const SaveFileRequest&) {
    if (c.atSavePrompt) c.atSavePrompt();
    if (c.cancel) {
      backup.road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, -1).OnFunction(0x65).Ms(100));
      canceller = std::thread([&backup] {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        backup.job.Cancel();
      });
    }
    return backup.Choose(backup.path);
  });
  if (!c.cancel)
    prompts.Answer(PromptResult::Retry).AnswerTask(kBackupLink).AnswerSaveFileWith([&](const SaveFileRequest&) {
      ClearSysFaults();  // the retry runs on the same worker
      return backup.Choose(backup.path);
    });

  const bool installed = backup.job.Run(Pattern(300));
  if (canceller.joinable()) canceller.join();
  if (c.cancel) {
    EXPECT_FALSE(installed);
    EXPECT_EQ(backup.job.progress.Ends(), (std::vector<JobEnd>{JobEnd::Cancelled, JobEnd::Cancelled}));
    EXPECT_TRUE(backup.job.Boxes().empty());
    EXPECT_EQ(ReadFileBytes(backup.path), "the previous backup");
    EXPECT_EQ(backup.dir.Listing(), (std::vector<std::string>{"backup.cfg", "served.txt"}));
    return;
  }
  EXPECT_TRUE(installed);
  EXPECT_TRUE(prompts.Faults().empty()) << testing::PrintToString(prompts.Faults());
  ASSERT_EQ(backup.job.Boxes().size(), 1u);  // the Retry box
  if (c.boxText) {
    EXPECT_EQ(backup.job.Boxes()[0].message.text, c.boxText(backup.path));
  }
  EXPECT_EQ(ReadFileBytes(backup.path + ".bak"), "the previous backup");
  EXPECT_EQ(backup.dir.Listing(), (std::vector<std::string>{"backup.cfg", "backup.cfg.bak", "served.txt"}));
  const BackupReading reading = backup.Check();
  EXPECT_EQ(reading.status, 0) << reading.faults;
  EXPECT_EQ(backup.road.ReceivedImage(), Pattern(300));
}

const FaultCase kFaults[] = {
    {"SilenceDuringTheRead",
     [](BackupJob& b) {
       b.road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Silence, 1).OnFunction(0x65).After(3));
     },
     {}},
    {"ResetDuringTheRead",
     [](BackupJob& b) {
       b.road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::ResetConnection, 1).OnFunction(0x65).After(3));
     },
     {}},
    {"CancelDuringTheRead", {}, {}, true},
    {"DiskFullAtTheSave", {}, [] { InjectSysFault(SysCallId::Write, ENOSPC, 1000); }, false,
     [](const std::string& path) { return "Cannot write \"" + path + "\". No space left on device"; }},
    {"FolderNotWritable", {}, [] { InjectSysFault(SysCallId::Open, EACCES, 1000); }, false,
     [](const std::string& path) {
       return "Cannot create file \"" + path + "\". Permission denied";
     }},
};

INSTANTIATE_TEST_SUITE_P(Faults, BackupWorkerFault, testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
