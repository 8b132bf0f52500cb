#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/Exception.h"
#include "platform/LastSaveFolder.h"
#include "platform/Registry.h"
#include "platform/SysFault.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

// A user with a home folder, a settings folder and a folder saved into, all apart, and
// started from a folder of its own: the current one is never where a save dialog opens.
class LastSaveFolderTest : public testing::Test {
public:
  LastSaveFolderTest()
  {
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(saved);
    std::filesystem::create_directories(started);
    std::filesystem::current_path(started);
  }
  ~LastSaveFolderTest() override
  {
    std::filesystem::current_path(before_);
    ClearSysFaults();
  }

  LastSaveFolder Fresh() const { return LastSaveFolder(Registry(config)); }
  std::string File() const { return config + "/save-folder.txt"; }

  TempDir dir_;
  std::filesystem::path before_ = std::filesystem::current_path();
  const std::string home = dir_ / "home";
  const std::string config = dir_ / "config/kestrel";
  const std::string saved = dir_ / "backups";
  const std::string started = dir_ / "started";
  ScopedEnv home_{"HOME", home.c_str()};
};

TEST_F(LastSaveFolderTest, FirstInTheHomeFolderThenWhereTheLastFileWasSaved)
{
  LastSaveFolder folder = Fresh();
  EXPECT_EQ(folder.InitialFolder(), home);

  folder.Remember(saved + "/1234.cfg");
  EXPECT_EQ(folder.InitialFolder(), saved);
  // The next run of the program reads it from its own file beside the settings.
  EXPECT_EQ(Fresh().InitialFolder(), saved);
  EXPECT_EQ(ReadFileBytes(File()), saved + "\n");
  EXPECT_FALSE(std::filesystem::exists(config + "/registry.txt"));  // not a setting

  // A file saved at the root leaves the root.
  folder.Remember("/backup.cfg");
  EXPECT_EQ(Fresh().InitialFolder(), "/");
}

TEST_F(LastSaveFolderTest, ItsFileAndTheFolderAboveItAreTheUsersAlone)
{
  Fresh().Remember(saved + "/1234.cfg");
  struct stat st{};
  ASSERT_EQ(::stat(File().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(config.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Whatever is wrong with the file, or with the folder it names, the dialog opens in the
// home folder and nothing is raised.
TEST_F(LastSaveFolderTest, AnythingButAFolderThatIsStillThereFallsBackToHome)
{
  const struct {
    const char* name;
    std::function<void(const LastSaveFolderTest&)> arrange;
  } cases[] = {
      {"no file", [](const LastSaveFolderTest&) {}},
      {"the folder removed", [](const LastSaveFolderTest& t) {
         t.Fresh().Remember(t.saved + "/1234.cfg");
         std::filesystem::remove(t.saved);
       }},
      {"the folder now a file", [](const LastSaveFolderTest& t) {
         t.Fresh().Remember(t.saved + "/1234.cfg");
         std::filesystem::remove(t.saved);
         WriteFileBytes(t.saved, "x");
       }},
      {"empty", [](const LastSaveFolderTest& t) { WriteFileBytes(t.File(), ""); }},
      {"a relative folder", [](const LastSaveFolderTest& t) { WriteFileBytes(t.File(), "backups\n"); }},
      {"two lines", [](const LastSaveFolderTest& t) { WriteFileBytes(t.File(), t.saved + "\n" + t.saved + "\n"); }},
      {"a zero byte", [](const LastSaveFolderTest& t) { WriteFileBytes(t.File(), t.saved + std::string(1, '\0')); }},
      {"longer than any path", [](const LastSaveFolderTest& t) {
         WriteFileBytes(t.File(), "/" + std::string(5000, 'a') + "\n");
       }},
      {"a folder in its place", [](const LastSaveFolderTest& t) { std::filesystem::create_directory(t.File()); }},
      {"cannot be opened", [](const LastSaveFolderTest& t) {
         t.Fresh().Remember(t.saved + "/1234.cfg");
         InjectSysFault(SysCallId::Open, EACCES);
       }},
      {"a read fails", [](const LastSaveFolderTest& t) {
         t.Fresh().Remember(t.saved + "/1234.cfg");
         InjectSysFault(SysCallId::Read, EIO);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(config);
    std::filesystem::create_directories(config);
    std::filesystem::remove(saved);
    std::filesystem::create_directories(saved);
    c.arrange(*this);
    std::string initial;
    EXPECT_NO_THROW(initial = Fresh().InitialFolder());
    EXPECT_EQ(initial, home);
    ClearSysFaults();
  }
}

TEST_F(LastSaveFolderTest, WithoutAHomeFolderNotTheCurrentOneEither)
{
  ScopedEnv noHome("HOME", nullptr);
  const std::string initial = LastSaveFolder(Registry(std::string())).InitialFolder();
  EXPECT_NE(initial, started);
  EXPECT_FALSE(initial.empty());
  EXPECT_EQ(initial[0], '/');
}

// A replace that fails raises, and leaves the folder remembered before whole.
TEST_F(LastSaveFolderTest, AFailedWriteKeepsThePreviousFolder)
{
  Fresh().Remember(saved + "/1234.cfg");
  InjectSysFault(SysCallId::Rename, ENOSPC);
  EXPECT_THROW(Fresh().Remember(home + "/other.cfg"), Exception);
  ClearSysFaults();
  EXPECT_EQ(Fresh().InitialFolder(), saved);
  EXPECT_EQ(ReadFileBytes(File()), saved + "\n");

  // A path that is not absolute names no folder: nothing is written.
  Fresh().Remember("relative.cfg");
  EXPECT_EQ(Fresh().InitialFolder(), saved);
}

}  // namespace
