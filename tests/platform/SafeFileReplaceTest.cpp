#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "platform/SafeFileReplace.h"
#include "platform/SysFault.h"
#include "support/TempDir.h"

namespace {

unsigned ModeOf(const std::string& path)
{
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

template <typename Call>
EFileReplaceError ReplaceError(Call call)
{
  try {
    call();
  } catch (const EFileReplaceError& e) {
    return e;
  }
  ADD_FAILURE() << "no EFileReplaceError";
  return EFileReplaceError("", 0, "");
}

class SafeFileReplaceTest : public ::testing::Test {
protected:
  ~SafeFileReplaceTest() override { ClearSysFaults(); }

  TempDir dir;
  std::string target = dir / "settings.cfg";
};

}  // namespace

TEST_F(SafeFileReplaceTest, CommitPutsTheNewFileInPlaceAndKeepsThePreviousOneWhenAsked)
{
  struct Case {
    const char* name;
    const char* target;  // nullptr: none
    const char* backup;  // nullptr: none
    bool keepBackup;
    std::vector<std::string> files;
    const char* backupAfter;
  };
  const Case cases[] = {
      {"a new file", nullptr, nullptr, false, {"settings.cfg"}, nullptr},
      {"a new file, backup asked", nullptr, nullptr, true, {"settings.cfg"}, nullptr},
      {"a replaced file", "old", nullptr, false, {"settings.cfg"}, nullptr},
      {"a replaced file, backup asked", "old", nullptr, true, {"settings.cfg", "settings.cfg.bak"}, "old"},
      {"an older backup is replaced", "old", "older", true, {"settings.cfg", "settings.cfg.bak"}, "old"},
      {"an older backup stays when none is asked", "old", "older", false, {"settings.cfg", "settings.cfg.bak"}, "older"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(target);
    std::filesystem::remove(target + ".bak");
    if (c.target) WriteFileBytes(target, c.target);
    if (c.backup) WriteFileBytes(target + ".bak", c.backup);
    {
      SafeFileReplace file(target, {.keepBackup = c.keepBackup});
      file.WriteBuffer("ne", 2);
      file.WriteBuffer("w content", 9);
      EXPECT_EQ(ReadFileBytes(target), c.target ? c.target : "") << "nothing changes before the commit";
      file.Commit();
      EXPECT_EQ(ReadFileBytes(target), "new content");
    }
    EXPECT_EQ(dir.Listing(), c.files);
    if (c.backupAfter) {
      EXPECT_EQ(ReadFileBytes(target + ".bak"), c.backupAfter);
    }
  }
}

TEST_F(SafeFileReplaceTest, ACommittedReplaceIsDoneForGood)
{
  SafeFileReplace file(target, {.keepBackup = true});
  file.WriteBuffer("one", 3);
  file.Commit();
  file.Commit();  // nothing more happens
  EXPECT_EQ(ReplaceError([&] { file.WriteBuffer("two", 3); }).Code(), EBADF);
  EXPECT_EQ(ReadFileBytes(target), "one");
  EXPECT_EQ(dir.Listing(), std::vector<std::string>{"settings.cfg"});
}

TEST_F(SafeFileReplaceTest, AReplaceNeverCommittedLeavesNoTrace)
{
  WriteFileBytes(target, "old");
  {
    SafeFileReplace file(target, {.keepBackup = true});
    file.WriteBuffer("new", 3);
    EXPECT_EQ(dir.Listing().size(), 2u) << "the temporary file beside the target";
  }
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(dir.Listing(), std::vector<std::string>{"settings.cfg"});
}

// Whatever step fails, the target keeps its content and no temporary file stays.
TEST_F(SafeFileReplaceTest, AFailedStepLeavesTheTargetAndNoTemporaryFile)
{
  const std::string t = target;
  struct Case {
    const char* name;
    SysCallId call;
    int error;
    const char* operation;
    std::string message;
  };
  const Case cases[] = {
      {"no right to create", SysCallId::Open, EACCES, "open",
       "Cannot create file \"" + t + "\". Permission denied"},
      {"no descriptor left", SysCallId::Dup, EMFILE, "open",
       "Cannot create file \"" + t + "\". Too many open files"},
      {"disk full at a write", SysCallId::Write, ENOSPC, "write",
       "Cannot write \"" + t + "\". No space left on device"},
      {"permissions refused", SysCallId::Fchmod, EPERM, "fchmod",
       "Cannot write \"" + t + "\". Operation not permitted"},
      {"disk full at the sync", SysCallId::Fsync, ENOSPC, "fsync",
       "Cannot write \"" + t + "\". No space left on device"},
      {"a write lost at the close", SysCallId::Close, EIO, "close", "Cannot write \"" + t + "\". Input/output error"},
      {"the backup's link fails", SysCallId::Link, EIO, "link",
       "Cannot keep the previous \"" + t + "\" as \"" + t + ".bak\". Input/output error"},
      {"the rename fails", SysCallId::Rename, EACCES, "rename", "Cannot replace \"" + t + "\". Permission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(target + ".bak");
    WriteFileBytes(target, "old");
    InjectSysFault(c.call, c.error);
    std::optional<SafeFileReplace> file;
    EFileReplaceError error = ReplaceError([&] {
      file.emplace(target, FileReplaceOptions{.keepBackup = true});
      file->WriteBuffer("new", 3);
      file->Commit();
    });
    ClearSysFaults();
    EXPECT_EQ(error.Message(), c.message);
    EXPECT_EQ(error.Code(), c.error);
    EXPECT_EQ(error.Operation(), c.operation);
    EXPECT_EQ(ReadFileBytes(target), "old");
    // A rename that failed came after the backup's link: the backup is the target itself.
    auto files = dir.Listing();
    files.erase(std::remove(files.begin(), files.end(), "settings.cfg.bak"), files.end());
    EXPECT_EQ(files, std::vector<std::string>{"settings.cfg"});
    if (file) {
      EXPECT_EQ(ReplaceError([&] { file->Commit(); }).Message(), c.message) << "a later commit fails as well";
      file.reset();
      EXPECT_EQ(ReadFileBytes(target), "old");
    }
  }
}

TEST_F(SafeFileReplaceTest, TheNewFileGetsThePreviousPermissionsOrTheCallersLessTheUmask)
{
  struct Case {
    const char* name;
    unsigned previous;  // 0: no previous file
    unsigned newFileMode;
    unsigned expected;
  };
  const Case cases[] = {
      {"a new file for everyone", 0, 0666, 0644},
      {"a new file for the owner", 0, 0600, 0600},
      {"a previous file's mode wins", 0640, 0600, 0640},
      {"even where it is wider", 0604, 0600, 0604},
      {"set-id bits are not carried", 04750, 0666, 0750},
  };
  mode_t umaskBefore = ::umask(022);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(target);
    if (c.previous) {
      WriteFileBytes(target, "old");
      ASSERT_EQ(::chmod(target.c_str(), c.previous), 0);
    }
    SafeReplaceFile(target, "new", {.keepBackup = false, .newFileMode = c.newFileMode});
    EXPECT_EQ(ModeOf(target), c.expected);
  }
  ::umask(umaskBefore);
}

TEST_F(SafeFileReplaceTest, TemporaryFilesOfADeadWriterGoWithTheNextSave)
{
  const std::vector<std::string> kept = {
      "other.cfg.~AbC123.tmp",     // another target's
      "settings.cfg.bak",          // not a temporary file
      "settings.cfg.~AbC12.tmp",   // not of the form
      "settings.cfg.~AbC123.tmpx",
      "settings.cfg.~AbC-23.tmp",
  };
  for (const auto& name : kept) WriteFileBytes(dir / name, "keep");
  WriteFileBytes(dir / "settings.cfg.~AbC123.tmp", "half a save");
  WriteFileBytes(dir / "settings.cfg.~zzzzzz.tmp", "another half");
  // A writer still at work holds its file; the save beside it must not take it.
  SafeFileReplace living(target);
  living.WriteBuffer("second", 6);

  SafeReplaceFile(target, "first");
  std::vector<std::string> expected = kept;
  expected.push_back("settings.cfg");
  expected.push_back(std::filesystem::path(living.FileName()).filename());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.Listing(), expected);
  living.Commit();
  EXPECT_EQ(ReadFileBytes(target), "second");
}

TEST_F(SafeFileReplaceTest, WithoutHardLinksTheBackupIsACopy)
{
  WriteFileBytes(target, "old");
  InjectSysFault(SysCallId::Link, EPERM);  // as FAT answers
  SafeReplaceFile(target, "new", {.keepBackup = true});
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_EQ(ReadFileBytes(target + ".bak"), "old");
  EXPECT_EQ(dir.Listing(), (std::vector<std::string>{"settings.cfg", "settings.cfg.bak"}));
}

TEST_F(SafeFileReplaceTest, ABareFileNameIsInTheWorkingFolder)
{
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  struct Restore {
    std::filesystem::path path;
    ~Restore() { std::filesystem::current_path(path); }
  } restore{previous};
  WriteFileBytes("settings.cfg", "old");
  SafeReplaceFile("settings.cfg", "new", {.keepBackup = true});
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_EQ(ReadFileBytes(target + ".bak"), "old");
  InjectSysFault(SysCallId::Rename, EIO);
  EXPECT_EQ(ReplaceError([] { SafeReplaceFile("settings.cfg", "newer"); }).Message(),
            "Cannot replace \"" + target + "\". Input/output error")
      << "the message names the full path";
  EXPECT_EQ(ReplaceError([&] { SafeReplaceFile(dir.path().string() + "/", "x"); }).Code(), EISDIR);
  EXPECT_EQ(dir.Listing(), (std::vector<std::string>{"settings.cfg", "settings.cfg.bak"}));
}

// Each thread stands for a program saving the same file: neither may take the other's
// temporary file for an abandoned one.
TEST_F(SafeFileReplaceTest, TwoThreadsReplacingOneFileLeaveEachOtherAlone)
{
  constexpr int kRounds = 200;
  const std::string contents[] = {std::string(3000, 'a'), std::string(5000, 'b')};
  std::vector<std::string> failures[2];
  auto save = [&](int who) {
    for (int i = 0; i < kRounds; ++i) {
      try {
        SafeReplaceFile(target, contents[who], {.keepBackup = true});
      } catch (const Exception& e) {
        failures[who].push_back(e.Message());
      }
    }
  };
  std::thread first(save, 0), second(save, 1);
  first.join();
  second.join();
  EXPECT_TRUE(failures[0].empty()) << failures[0].front();
  EXPECT_TRUE(failures[1].empty()) << failures[1].front();
  std::string last = ReadFileBytes(target);
  EXPECT_TRUE(last == contents[0] || last == contents[1]);
  EXPECT_EQ(dir.Listing(), (std::vector<std::string>{"settings.cfg", "settings.cfg.bak"}));
}
