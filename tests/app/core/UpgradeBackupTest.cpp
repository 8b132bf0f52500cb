// The configuration backup the upload job's final confirmation offers: its command link,
// the file prompt, and what each answer leads to.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "JobTestSupport.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kRecorder = "corvane-21-2.1.70-h2.5";  // serial number 2170025
constexpr int kBackupLink = 100;

TEST(UpgradeBackup, ConfirmationOffersTheLinkAndTheFilePromptProposesTheSerialNumber)
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
TEST(UpgradeBackupCancel, WhileTheFilePromptIsOpen)
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

}  // namespace
