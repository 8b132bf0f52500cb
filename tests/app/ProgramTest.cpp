#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "ReleaseImages.h"
#include "app/ui/MainForm.h"
#include "app/ui/Program.h"
#include "platform/ProgramResources.h"
#include "platform/Registry.h"
#include "platform/SysFault.h"
#include "support/FirmwareImage.h"
#include "support/QtTestApp.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

TEST(InfoSwitch, WhichParameterIsTheSwitchAndWhichTheFile)
{
  struct Case {
    const char* name;
    std::vector<std::string> params;
    bool found;
    const char* fileName;
  };
  const Case cases[] = {
      {"dash", {"-info", "list.txt"}, true, "list.txt"},
      {"any case", {"-INFO", "list.txt"}, true, "list.txt"},
      {"slash", {"/info", "list.txt"}, true, "list.txt"},
      {"slash mixed case", {"/InFo", "list.txt"}, true, "list.txt"},
      {"absolute path", {"-info", "/tmp/list.txt"}, true, "/tmp/list.txt"},
      {"file at the root", {"/info", "/list.txt"}, true, "/list.txt"},
      {"last parameter", {"-info"}, true, ""},
      {"followed by a dash switch", {"-info", "-x"}, true, ""},
      {"followed by a slash switch", {"-info", "/INFO", "b"}, true, ""},
      {"first switch counts", {"-info", "a.txt", "-info", "b.txt"}, true, "a.txt"},
      {"after other parameters", {"x", "-y", "/info", "c.txt"}, true, "c.txt"},
      {"longer word", {"-infox", "a.txt"}, false, ""},
      {"with a suffix", {"-info:x", "a.txt"}, false, ""},
      {"without a prefix", {"info", "a.txt"}, false, ""},
      {"prefix alone", {"-", "/"}, false, ""},
      {"none", {}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InfoSwitch info = FindInfoSwitch(c.params);
    EXPECT_EQ(info.found, c.found);
    EXPECT_EQ(info.fileName, c.fileName);
  }
}

TEST(Translation, QtsOwnButtonsReadInRussian)
{
  QApplication& app = TestApp();
  ASSERT_TRUE(InstallRussianTranslation(app));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Отмена");
}

namespace {

// A window with settings of its own, as the dialogs are: its fields keep their defaults
// unless the store holds a value.
struct FakeDialog {
  FakeDialog(std::vector<std::string>* calls, const char* name) : calls(calls), name(name) {}

  std::vector<std::string>* calls;
  const char* name;
  int timeout = 10;
  std::string port;
  bool fail = false;

  void LoadSettings(const std::string& key)
  {
    calls->push_back(std::string("load ") + name + " " + key);
    if (fail) throw ERegistryException("no store");
    TRegIniFile ini(key, RegistryAccess::Read);
    timeout = ini.ReadInteger(name, "timeout", timeout);
    port = ini.ReadString(name, "port", port);
  }
  void SaveSettings(const std::string& key)
  {
    calls->push_back(std::string("save ") + name + " " + key);
    if (fail) throw ERegistryException("no store");
    TRegIniFile ini(key, RegistryAccess::Write);
    ini.WriteInteger(name, "timeout", timeout);
    ini.WriteString(name, "port", port);
  }
};

class ProgramSteps : public ::testing::Test {
protected:
  ProgramSteps() : env_("KESTREL_CONFIG_HOME", config.path().c_str()) {}

  // The windows join as the entry joins them.
  void JoinAll()
  {
    settings.Join(kProgramKey, mainForm);
    settings.Join(kSettingsKey, scanRS);
    settings.Join(kSettingsKey, scanEth);
    settings.Join(kSettingsKey, setup);
  }
  int Run(const std::vector<std::string>& params)
  {
    return RunProgramSteps(
        params, mainForm, settings, [&] { loopRan = true; },
        [&](const std::string& message) { errors.push_back(message); });
  }

  QApplication& app = TestApp();  // before any window
  TempDir config, work;
  ResourceTable none;
  TMainForm mainForm{none};
  ProgramSettings settings;
  std::vector<std::string> calls, errors;
  FakeDialog scanRS{&calls, "ScanRSDialog"}, scanEth{&calls, "ScanEthDialog"}, setup{&calls, "MB"};
  bool loopRan = false;

private:
  ScopedEnv env_;
};

}  // namespace

TEST_F(ProgramSteps, AWindowRunThenSettingsSavedInOrder)
{
  JoinAll();
  EXPECT_EQ(Run({}), 0);
  EXPECT_TRUE(loopRan);
  const std::string own = kProgramKey, shared = kSettingsKey;
  EXPECT_EQ(calls, (std::vector<std::string>{"load ScanRSDialog " + shared, "load ScanEthDialog " + shared,
                                             "load MB " + shared, "save ScanRSDialog " + shared,
                                             "save ScanEthDialog " + shared, "save MB " + shared}));
  EXPECT_EQ(mainForm.mmoLog->toPlainText().split('\n').first().toStdString(), "Internal ERROR: no updates in exe");
  EXPECT_TRUE(errors.empty());
}

TEST_F(ProgramSteps, ARegistryErrorEndsTheLoadingSilently)
{
  JoinAll();
  scanEth.fail = true;
  EXPECT_EQ(Run({}), 0);
  const std::string shared = kSettingsKey;
  // The load after the failing one does not run, nor the save after it; the images still load.
  EXPECT_EQ(calls, (std::vector<std::string>{"load ScanRSDialog " + shared, "load ScanEthDialog " + shared,
                                             "save ScanRSDialog " + shared, "save ScanEthDialog " + shared}));
  EXPECT_FALSE(mainForm.mmoLog->toPlainText().isEmpty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(ProgramSteps, OnlyRegistryErrorsAreSilent)
{
  settings.Join(kSettingsKey, [](const std::string&) { throw Exception("not a registry error"); }, nullptr);
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(errors, std::vector<std::string>{"not a registry error"});
  EXPECT_FALSE(loopRan);
}

TEST_F(ProgramSteps, AnUnreadableStoreLeavesTheDialogsTheirDefaults)
{
  JoinAll();
  {
    TRegIniFile ini(kSettingsKey);
    ini.WriteInteger("ScanRSDialog", "timeout", 20);
    ini.WriteString("MB", "port", "/dev/ttyUSB0");
  }
  ASSERT_TRUE(settings.Load());
  EXPECT_EQ(scanRS.timeout, 20);
  EXPECT_EQ(setup.port, "/dev/ttyUSB0");

  WriteFileBytes(config / "registry.txt", "not a store\n");
  FakeDialog fresh{&calls, "ScanRSDialog"}, freshSetup{&calls, "MB"};
  ProgramSettings again;
  again.Join(kSettingsKey, fresh);
  again.Join(kSettingsKey, freshSetup);
  EXPECT_FALSE(again.Load());
  EXPECT_EQ(fresh.timeout, 10);
  EXPECT_EQ(freshSetup.port, "");
  EXPECT_FALSE(again.Save());
  EXPECT_EQ(ReadFileBytes(config / "registry.txt"), "not a store\n");
}

TEST_F(ProgramSteps, TheSaveWritesTheStoreOnceForAllWindows)
{
  JoinAll();
  scanRS.timeout = 20;
  scanEth.port = "eth";
  setup.port = "/dev/ttyUSB1";
  InjectSysFault(SysCallId::Rename, EIO, 1, 1);  // a second write of the store would fail
  EXPECT_TRUE(settings.Save());
  ClearSysFaults();
  TRegIniFile ini(kSettingsKey, RegistryAccess::Read);
  EXPECT_EQ(ini.ReadInteger("ScanRSDialog", "timeout", 0), 20);
  EXPECT_EQ(ini.ReadString("ScanEthDialog", "port", ""), "eth");
  EXPECT_EQ(ini.ReadString("MB", "port", ""), "/dev/ttyUSB1");
}

TEST_F(ProgramSteps, AFailingSaveKeepsWhatTheWindowsBeforeItSaved)
{
  JoinAll();
  scanRS.timeout = 20;
  scanEth.fail = true;
  EXPECT_FALSE(settings.Save());
  TRegIniFile ini(kSettingsKey, RegistryAccess::Read);
  EXPECT_EQ(ini.ReadInteger("ScanRSDialog", "timeout", 0), 20);
  EXPECT_FALSE(ini.SectionExists("MB"));
}

TEST_F(ProgramSteps, InfoModeWritesTheListAndSkipsTheWindow)
{
  JoinAll();
  std::string out = work / "list.txt";
  WriteFileBytes(out, "old content that is longer than the new one");
  EXPECT_EQ(Run({"-info", out}), 0);
  EXPECT_FALSE(loopRan);
  EXPECT_EQ(ReadFileBytes(out), kInfoHeadingOnly);  // no images in this table
  EXPECT_EQ(calls.size(), 6u);                      // the settings are saved in the info mode too
}

TEST_F(ProgramSteps, InfoModeWithTheReleasesImages)
{
  if (ProgramResources().Names("FW").size() != 11) GTEST_SKIP() << "built without the release's images";
  TMainForm form(ProgramResources());
  std::string out = work / "list.txt";
  int status = RunProgramSteps({"/INFO", out}, form, settings, [&] { loopRan = true; },
                               [&](const std::string& message) { errors.push_back(message); });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(out), kReleaseInfoFile);
}

TEST_F(ProgramSteps, AFileThatCannotBeCreatedFailsAndSavesNothing)
{
  struct Case {
    const char* name;
    std::vector<std::string> params;
    std::string error;
  };
  const Case cases[] = {
      {"last parameter", {"-info"}, "Cannot create file \"\". No such file or directory"},
      {"missing folder", {"-info", work / "none/list.txt"},
       "Cannot create file \"" + (work / "none/list.txt") + "\". No such file or directory"},
      {"a folder in the way", {"-info", work.path().string()},
       "Cannot create file \"" + work.path().string() + "\". Is a directory"},
  };
  JoinAll();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    calls.clear();
    errors.clear();
    EXPECT_EQ(Run(c.params), 1);
    EXPECT_EQ(errors, std::vector<std::string>{c.error});
    EXPECT_FALSE(loopRan);
    for (const auto& call : calls) EXPECT_EQ(call.rfind("save", 0), std::string::npos) << call;
  }
}
