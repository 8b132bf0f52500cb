// The whole update road with the configuration backup: the main window's workflow, the
// progress window, the final confirmation's backup link, a file name typed, the reads
// over the link and the file written, then the upload. Every file is checked by the
// independent reader (backup_file.py) against what the simulated recorder served.

#include <QApplication>
#include <QCommandLinkButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <filesystem>

#include "WindowDriving.h"
#include "support/BackupReader.h"
#include "support/ServedRecords.h"
#include "support/ModbusTestUtil.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/WindowWalker.h"

namespace {

constexpr std::uint32_t kRelease = 0x0201A073;  // 2.1.160.115
constexpr int kBackupLink = 100;

// The configuration profiles of the update road, 2.0.20 to 2.1.160, models 21 and 51.
// The release has no image for firmware below 2.1.38 on this hardware, so the workflow
// offers those two none; their backup is made in the progress window of an upload
// started directly, as the workflow would start it.
const char* const kRoadProfiles[] = {
    "corvane-21-2.0.20-h2.5",  "corvane-21-2.1.20-h2.5",  "corvane-21-2.1.54-h2.5",  "corvane-21-2.1.90-h2.5",
    "corvane-51-2.1.110-h2.5", "corvane-21-2.1.127-h2.5", "corvane-51-2.1.132-h2.5", "corvane-51-2.1.157-h2.5",
    "corvane-21-2.1.160-h2.5", "corvane-51-2.1.140-h2.5-large",
};

bool ReleaseOffersAnImage(const std::string& name) { return name.find("-2.0.") == std::string::npos && name.find("-2.1.20-") == std::string::npos; }

using RoadCase = std::tuple<const char*, LinkKind>;

class BackupRoad : public testing::TestWithParam<RoadCase> {};

TEST_P(BackupRoad, BacksUpTheConfigurationThenUploads)
{
  const auto [name, link] = GetParam();
  RecorderRoad road(link);
  road.Serve(name, kRelease);
  TempDir dir;
  const std::string path = dir / "backup.cfg";
  const std::string served = dir / "served.txt";

  ScriptedPrompts prompts;
  UpdateEnvironment environment(prompts, ReleaseImages());
  std::vector<std::string> log;
  environment.log = [&log](const std::string& line) { log.push_back(line); };
  BeepLog beeps;
  environment.runUpgrade = ProgressWindowUpload(prompts, beeps.Event());
  ProgressRecord progress;
  const bool workflow = ReleaseOffersAnImage(name);
  if (workflow) {
    prompts.Answer(PromptResult::Ok)   // the recorder as read
        .Answer(PromptResult::Ok);     // "Обновить до версии ...?"
  }
  prompts.AnswerModal(DriveProgress(progress))
      .AnswerTask(kBackupLink)         // the job's final confirmation: the backup
      .AnswerSaveFileWith([&](const SaveFileRequest&) {
        road.Device([&](recsim::Device& device) {
          DumpServed(device, served);
          return 0;
        });
        return std::optional<std::string>(path);  // "backup" typed, the extension added
      })
  ;
  if (workflow) {
    prompts.Answer(PromptResult::Ok);  // the recorder read again after the upload
    RunUpdateWorkflow(environment, *road.transport, road.unit);
  } else {
    TMemoryStream image;
    FillStream(image, Pattern(600));
    EXPECT_TRUE(RunUpgrade(UpgradeEnvironment{prompts, beeps.Event()}, *road.transport, road.unit, image).installed);
  }

  EXPECT_TRUE(prompts.Faults().empty()) << testing::PrintToString(prompts.Faults());
  EXPECT_EQ(prompts.Pending(), 0u) << testing::PrintToString(BoxTexts(prompts));
  // The upload went on after the backup without asking again.
  EXPECT_EQ(AskedOfKind(prompts, PromptKind::TaskDialog).size(), 1u);
  EXPECT_EQ(progress.finishes, std::vector<JobEnd>{JobEnd::Succeeded});
  EXPECT_TRUE(Contains(progress.log, "резервная копия сохранена в " + path + "\nЗагрузка обновления\n")) << progress.log;
  EXPECT_FALSE(road.ReceivedImage().empty());

  const BackupReading reading = ReadBackupFile(path, {"--served", served, ConfigProfileFile(name)});
  EXPECT_EQ(reading.status, 0) << reading.faults;
}

INSTANTIATE_TEST_SUITE_P(Profiles, BackupRoad,
                         testing::Combine(testing::ValuesIn(kRoadProfiles), testing::ValuesIn(AllLinks())),
                         [](const auto& info) {
                           std::string name = std::string(std::get<0>(info.param)) + "_" +
                                              LinkKindName(std::get<1>(info.param));
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// The user of two updates with a backup each, in the real windows: the final
// confirmation's backup link, then the save dialog, in which a name is given and saved.
// Notes the folder each save dialog opened in.
class BackingUpUser : public WindowWalker {
public:
  // A dialog that opens outside sandbox is cancelled: a name typed there would land in
  // a folder that is not the test's.
  BackingUpUser(std::vector<std::string> names, std::string sandbox)
      : names_(std::move(names)), sandbox_(std::move(sandbox))
  {
  }

  std::vector<std::string> openedIn;  // one folder for each save dialog

private:
  void Act(QWidget& window) override
  {
    if (auto* progress = dynamic_cast<TProgressDialog*>(&window)) {
      // Once the job has ended with "OK".
      if (!progress->IsFinished()) return;
      Done(window);
      QTest::mouseClick(progress->Button1, Qt::LeftButton);
      return;
    }
    Done(window);
    if (auto* files = qobject_cast<QFileDialog*>(&window)) {
      openedIn.push_back(files->directory().absolutePath().toStdString());
      auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!name || openedIn.size() > names_.size() || openedIn.back().rfind(sandbox_ + "/", 0) != 0)
        return files->reject();
      // Set, not typed: the completer's popup would take a typed Return on a loaded machine.
      name->setText(QString::fromStdString(names_[openedIn.size() - 1]));
      static_cast<QDialog*>(files)->accept();  // as the Save button does
    } else if (auto* link = window.findChild<QCommandLinkButton*>()) {
      QTest::mouseClick(link, Qt::LeftButton);
    } else if (auto* box = qobject_cast<QMessageBox*>(&window)) {
      ADD_FAILURE() << "unexpected box: " << box->text().toStdString();
      box->reject();
    }
  }

  const std::vector<std::string> names_;
  const std::string sandbox_;
};

// The backup's save dialog opens where this user saved the last backup, also in a later
// run of the program, and the first time in the home folder; never in the folder the
// program was started from. Typing a name alone then saves beside the last backup.
TEST(BackupFolder, TheSaveDialogOpensWhereTheLastBackupWasSaved)
{
  TestApp();
  TempDir dir;
  const std::string home = dir / "home", config = dir / "config", started = dir / "started",
                    backups = dir / "backups";
  for (const auto& folder : {home, started, backups}) std::filesystem::create_directories(folder);
  ScopedEnv homeEnv("HOME", home.c_str()), configEnv("KESTREL_CONFIG_HOME", config.c_str());
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(started);

  RecorderRoad road(LinkKind::Tcp);
  road.Serve("corvane-21-2.1.160-h2.5");
  // The first run: the dialog in the home folder, the file saved where the user points;
  // the second, a new run of the program: a name alone lands beside the first.
  const std::string names[] = {backups + "/first", "second"};
  std::vector<std::string> openedIn;
  for (const std::string& name : names) {
    QtPrompts prompts;
    BackingUpUser user({name}, dir.path().string());
    TMemoryStream image;
    FillStream(image, Pattern(300));
    EXPECT_TRUE(RunUpgrade(UpgradeEnvironment{prompts, [](BeepSound) {}}, *road.transport, road.unit, image).installed);
    openedIn.insert(openedIn.end(), user.openedIn.begin(), user.openedIn.end());
  }
  std::filesystem::current_path(before);

  EXPECT_EQ(openedIn, (std::vector<std::string>{home, backups}));
  EXPECT_TRUE(std::filesystem::is_regular_file(backups + "/first.cfg"));
  EXPECT_TRUE(std::filesystem::is_regular_file(backups + "/second.cfg"));
  EXPECT_EQ(SortedNames(started), std::vector<std::string>{});
}

}  // namespace
