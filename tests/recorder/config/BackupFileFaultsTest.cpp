// The backup file against what can happen to a process or a disk while it is saved:
// the program killed at any step of the save, a full disk, a folder without the right
// to write, a read-only file system. Whatever happens, the file at the path is the
// previous backup or the new one, whole, and the previous one is never lost.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BackupDevice.h"
#include "platform/SafeFileReplace.h"
#include "platform/SysFault.h"
#include "recorder/config/RegConfig.h"
#include "support/BackupReader.h"
#include "support/ExpectThrowMsg.h"
#include "support/KillPoints.h"
#include "support/PrivateTmpfs.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace {

constexpr const char* kName = "1234.cfg";

// Configurations whose files differ in size and content: a little over one, two and
// three blocks of the save's write buffer (10240 bytes), and one of less than a block.
struct Generation {
  std::unique_ptr<BackupDevice> device;
  std::string bytes;
};

std::vector<Generation> MakeGenerations()
{
  std::vector<Generation> out;
  const struct {
    std::uint32_t serial;
    std::uint32_t pages;
  } made[] = {{1001, 90}, {1002, 130}, {1003, 170}, {1004, 0}};
  TempDir scratch;
  for (const auto& m : made) {
    auto device = std::make_unique<BackupDevice>(MakeVersion(2, 1, 160), Bits({0}));
    device->info.SerialNumber = m.serial;
    device->info.PageCount = m.pages;
    device->Fit();
    for (auto& page : device->config.Pages) page.Channels.resize(16);  // as a read fills them
    const std::string path = scratch / ("g" + std::to_string(m.serial) + ".cfg");
    device->config.SaveToFile(path);
    // Every generation holds for the independent reader, each section's checksum
    // included: a file equal to one of them byte for byte holds too.
    const BackupReading reading = ReadBackupFile(path);
    EXPECT_EQ(reading.status, 0) << reading.faults;
    out.push_back({std::move(device), ReadFileBytes(path)});
  }
  return out;
}

const std::vector<Generation>& Generations()
{
  static const std::vector<Generation> generations = MakeGenerations();
  return generations;
}

bool IsTemporaryName(const std::string& name)
{
  const std::string head = std::string(kName) + ".~";
  return name.size() == head.size() + 6 + 4 && name.starts_with(head) && name.ends_with(".tmp");
}

std::optional<std::string> FileIfAny(const std::string& path)
{
  if (!std::filesystem::exists(path)) return std::nullopt;
  return ReadFileBytes(path);
}

// Which generation a file's bytes are: its index, or -1 for anything else (a torn file).
int GenerationOf(const std::string& bytes)
{
  const auto& g = Generations();
  for (std::size_t i = 0; i < g.size(); ++i) {
    if (g[i].bytes == bytes) return static_cast<int>(i);
  }
  return -1;
}

class BackupFileFaults : public testing::Test {
protected:
  ~BackupFileFaults() override { ClearSysFaults(); }

  void SetUp() override { ASSERT_EQ(Generations().size(), 4u); }

  const TRegConfig& Config(int generation) const { return Generations()[generation].device->config; }
  const std::string& Bytes(int generation) const { return Generations()[generation].bytes; }

  // The folder as a save finds it: the previous backup and an older .bak, when given.
  void Arrange(const std::string& folder, int previous, int olderBackup)
  {
    for (const auto& name : SortedNames(folder)) std::filesystem::remove(folder + "/" + name);
    if (previous >= 0) WriteFileBytes(folder + "/" + kName, Bytes(previous));
    if (olderBackup >= 0) WriteFileBytes(folder + "/" + kName + ".bak", Bytes(olderBackup));
  }

  // Nothing lost: the previous file at the path and the older .bak as they were, and
  // nothing else left in the folder.
  void ExpectUntouched(const std::string& folder, int previous, int olderBackup)
  {
    const std::string path = folder + "/" + kName;
    EXPECT_EQ(GenerationOf(ReadFileBytes(path)), previous);
    EXPECT_EQ(GenerationOf(ReadFileBytes(path + ".bak")), olderBackup);
    EXPECT_EQ(SortedNames(folder), (std::vector<std::string>{kName, std::string(kName) + ".bak"}));
  }

  TempDir dir;
  std::string path = dir / kName;
};

// The figures of one crash scenario, for the test's output.
struct Tally {
  int trials = 0;
  std::map<std::string, int> points;  // by name: how many trials stopped there
  int old = 0, fresh = 0, torn = 0;
  int leftTemporary = 0;  // trials that left a temporary file, or two
  int leftTwo = 0;        // trials that left two

  std::string Text() const
  {
    std::string kinds;
    for (const auto& [name, n] : points) kinds += (kinds.empty() ? "" : ", ") + name + " ×" + std::to_string(n);
    return std::to_string(trials) + " trials, one a kill point (" + kinds + "): " +
           std::to_string(old) + " old, " + std::to_string(fresh) + " new, " + std::to_string(torn) +
           " partial; a temporary file left by " + std::to_string(leftTemporary) + ", two by " +
           std::to_string(leftTwo);
  }
};

}  // namespace

// The save runs in a child process killed at each of its steps in turn: before and after
// every system call it makes (the temporary file's creation and lock, the removal of a
// dead save's file, each write, the sync, the close, the old .bak's removal, the link
// or copy that keeps the previous file, the rename, the folder's sync). After each kill
// the path holds the previous file or the new one, whole; the .bak, when there is one,
// is a whole earlier file; one temporary file at most is left, and the next save takes
// it away.
namespace {

struct CrashScenario {
  const char* name;
  int previous;     // the generation at the path, -1: none
  int olderBackup;  // at the .bak, -1: none
  int fresh;        // what the killed save writes
  int next;         // what the save after it writes
  bool deadWriter;  // a temporary file of an earlier killed save lies beside
  bool noHardLinks; // a file system without them (a memory stick's FAT): the .bak is a copy
};

void PrintTo(const CrashScenario& scenario, std::ostream* out) { *out << scenario.name; }

class BackupFileCrash : public BackupFileFaults, public testing::WithParamInterface<CrashScenario> {};

}  // namespace

TEST_P(BackupFileCrash, KilledAtEveryStepOfTheSaveLeavesTheOldOrTheNewFileWhole)
{
  const CrashScenario& s = GetParam();
  const std::string deadFile = path + ".~Dead01.tmp";
  const std::string backupName = std::string(kName) + ".bak";
  // The .bak's copy is made through a temporary file of its own name.
  auto isBackupTemporary = [&](const std::string& name) {
    return s.noHardLinks && name.starts_with(backupName + ".~") && name.size() == backupName.size() + 12;
  };
  auto save = [&](int generation) {
    if (s.noHardLinks) InjectSysFault(SysCallId::Link, EPERM, 1000);
    Config(generation).SaveToFile(path);
    ClearSysFaults();
  };
  Tally tally;
  for (int point = 1;; ++point) {
    SCOPED_TRACE("kill point " + std::to_string(point));
    Arrange(dir.path(), s.previous, s.olderBackup);
    if (s.deadWriter) WriteFileBytes(deadFile, Bytes(s.fresh).substr(0, 10240));
    const KillOutcome outcome = RunKilledAt(point, [&] { save(s.fresh); });
    if (!outcome.killed) {
      ASSERT_EQ(outcome.exitCode, 0) << "the save, not killed, did not complete";
      ASSERT_GT(point, 20) << "too few steps to stop at";
      break;
    }
    ++tally.trials;
    ++tally.points[KillPointName(outcome)];
    SCOPED_TRACE(KillPointName(outcome));

    const std::optional<std::string> target = FileIfAny(path);
    const int found = target ? GenerationOf(*target) : s.previous;
    if (found == s.previous) {
      ++tally.old;
    } else if (found == s.fresh) {
      ++tally.fresh;
    } else {
      ++tally.torn;
      ADD_FAILURE() << "the path holds neither file whole (" << (target ? target->size() : 0) << " bytes)";
    }
    if (const auto backup = FileIfAny(path + ".bak")) {
      const int kept = GenerationOf(*backup);
      EXPECT_TRUE(kept == s.olderBackup || kept == s.previous) << "the .bak is no whole earlier file";
      if (found == s.fresh && s.previous >= 0) {
        EXPECT_EQ(kept, s.previous) << "the new file is in place: the previous one must be the .bak";
      }
    } else {
      EXPECT_TRUE(found == s.previous || s.previous < 0) << "the new file replaced the previous one without a .bak";
    }
    int temporaries = 0, backupTemporaries = 0;
    for (const auto& name : SortedNames(dir.path())) {
      if (name == kName || name == backupName || (s.deadWriter && name == "1234.cfg.~Dead01.tmp")) continue;
      if (isBackupTemporary(name)) {
        ++backupTemporaries;
        continue;
      }
      EXPECT_TRUE(IsTemporaryName(name)) << "a stray file " << name;
      ++temporaries;
    }
    EXPECT_LE(temporaries, 1);
    EXPECT_LE(backupTemporaries, 1);
    tally.leftTemporary += temporaries + backupTemporaries > 0;
    tally.leftTwo += temporaries + backupTemporaries > 1;

    // The next save, not killed, replaces whatever the killed one left and takes every
    // temporary file with it.
    save(s.next);
    EXPECT_EQ(GenerationOf(ReadFileBytes(path)), s.next);
    if (target) {
      EXPECT_EQ(ReadFileBytes(path + ".bak"), *target);
      EXPECT_EQ(SortedNames(dir.path()), (std::vector<std::string>{kName, backupName}));
    } else {
      EXPECT_EQ(SortedNames(dir.path()), std::vector<std::string>{kName});
    }
  }
  EXPECT_EQ(tally.torn, 0);
  EXPECT_GT(tally.old, 0);
  EXPECT_GT(tally.fresh, 0);
  std::cout << "[ figures  ] " << s.name << ": " << tally.Text() << "\n";
}

namespace {

// Generations: 0 one block of the buffer and a part, 1 two and a part, 2 three and a
// part, 3 less than one.
const CrashScenario kCrashScenarios[] = {
    {"FirstSave", -1, -1, 1, 2, false, false},
    {"LargerFileOverABackupAndItsBak", 0, 2, 1, 2, false, false},
    {"SmallerFileOverABackupAndItsBak", 2, 1, 0, 1, false, false},
    {"OneBlockOverFourBlocks", 2, 0, 3, 1, false, false},
    {"BesideATemporaryFileOfAKilledSave", 0, 2, 1, 2, true, false},
    {"NoHardLinksTheBakACopy", 0, 2, 1, 2, false, true},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, BackupFileCrash, testing::ValuesIn(kCrashScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// A full disk at each write of the save, at the sync and at the close; a folder without
// the right to write; a read-only file system: each fails with its own words, the
// previous backup stays as it was and no temporary file is left.
TEST_F(BackupFileFaults, DiskFullAtEachWriteOrNoRightToWriteLosesNothing)
{
  const std::string t = path;
  const std::string cannotWrite = "Cannot write \"" + t + "\". No space left on device";
  struct Case {
    std::string name;
    SysCallId call;
    int error;
    int skip;
    std::string message;
    int backupAfter = 2;  // the generation at the .bak afterwards, -1: none
  };
  std::vector<Case> cases = {
      {"folder without the right to write", SysCallId::Open, EACCES, 0,
       "Cannot create file \"" + t + "\". Permission denied"},
      {"read-only file system", SysCallId::Open, EROFS, 0,
       "Cannot create file \"" + t + "\". Read-only file system"},
      {"no room for the temporary file's name", SysCallId::Open, ENOSPC, 0,
       "Cannot create file \"" + t + "\". No space left on device"},
      {"disk full at the sync", SysCallId::Fsync, ENOSPC, 0, cannotWrite},
      {"disk full found at the close", SysCallId::Close, ENOSPC, 0, cannotWrite},
      // The older .bak makes way for the link just before it is tried, and the link
      // stays when the rename after it fails: the previous file is always kept.
      {"no room for the .bak's name", SysCallId::Link, ENOSPC, 0,
       "Cannot keep the previous \"" + t + "\" as \"" + t + ".bak\". No space left on device", -1},
      {"no room to rename", SysCallId::Rename, ENOSPC, 0, "Cannot replace \"" + t + "\". No space left on device", 0},
  };
  // Every write of the new file, found by failing one more each time until none is left.
  for (int write = 0;; ++write) {
    Arrange(dir.path(), 0, 2);
    InjectSysFault(SysCallId::Write, ENOSPC, 1, write);
    bool saved = true;
    try {
      Config(1).SaveToFile(path);
    } catch (const EFileReplaceError&) {
      saved = false;
    }
    ClearSysFaults();
    if (saved) {
      EXPECT_GE(write, 2) << "the file takes more than one write";
      EXPECT_EQ(GenerationOf(ReadFileBytes(path)), 1);
      break;
    }
    cases.push_back({"disk full at write " + std::to_string(write + 1), SysCallId::Write, ENOSPC, write, cannotWrite});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Arrange(dir.path(), 0, 2);
    InjectSysFault(c.call, c.error, 1, c.skip);
    EXPECT_THROW_MSG(Config(1).SaveToFile(path), EFileReplaceError, c.message);
    ClearSysFaults();
    EXPECT_EQ(GenerationOf(ReadFileBytes(path)), 0);
    std::vector<std::string> names{kName};
    if (c.backupAfter >= 0) {
      names.push_back(std::string(kName) + ".bak");
      EXPECT_EQ(GenerationOf(ReadFileBytes(path + ".bak")), c.backupAfter);
    }
    EXPECT_EQ(SortedNames(dir.path()), names);
  }
}

// The same for real: a tmpfs of 256 KiB of the test's own, filled up to leave the save
// less room than its new file needs, from none at all to one page short; then enough.
TEST_F(BackupFileFaults, OnAFullFileSystemTheSaveFailsAndLosesNothing)
{
  PrivateTmpfs disk({.sizeBytes = 256 * 1024, .prepare = {}, .readOnly = false});
  if (!disk.Ready()) GTEST_SKIP() << "no file system of the test's own: " << disk.Why();
  const std::string folder = disk / "backups";
  std::filesystem::create_directory(folder);
  const std::string target = folder + "/" + kName;
  const std::string filler = disk / "filler";
  const std::string cannotWrite = "Cannot write \"" + target + "\". No space left on device";
  constexpr std::size_t kPage = 4096;
  const std::size_t needed = (Bytes(1).size() + kPage - 1) / kPage;
  int refused = 0;
  for (std::size_t room = 0; room < needed; ++room) {
    SCOPED_TRACE("room for " + std::to_string(room) + " pages");
    Arrange(folder, 0, 2);
    std::filesystem::remove(filler);
    // The filler takes what is free but `room` pages.
    const auto free = std::filesystem::space(folder).available;
    ASSERT_GE(free, room * kPage);
    WriteFileBytes(filler, std::string(free - room * kPage, 'f'));
    ASSERT_EQ(std::filesystem::space(folder).available, room * kPage);
    EXPECT_THROW_MSG(Config(1).SaveToFile(target), EFileReplaceError, cannotWrite);
    ExpectUntouched(folder, 0, 2);
    ++refused;
  }
  EXPECT_GE(refused, 5);
  std::filesystem::remove(filler);
  Config(1).SaveToFile(target);
  EXPECT_EQ(GenerationOf(ReadFileBytes(target)), 1);
  EXPECT_EQ(GenerationOf(ReadFileBytes(target + ".bak")), 0);
}

TEST_F(BackupFileFaults, OnAReadOnlyFileSystemTheSaveFailsAndLosesNothing)
{
  std::string previous = Bytes(0), older = Bytes(2);
  PrivateTmpfs disk({.prepare =
                         [&](const std::string& root) {
                           WriteFileBytes(root + "/" + kName, previous);
                           WriteFileBytes(root + "/" + kName + ".bak", older);
                         },
                     .readOnly = true});
  if (!disk.Ready()) GTEST_SKIP() << "no file system of the test's own: " << disk.Why();
  const std::string target = disk / kName;
  EXPECT_THROW_MSG(Config(1).SaveToFile(target), EFileReplaceError,
                   "Cannot create file \"" + target + "\". Read-only file system");
  ExpectUntouched(std::filesystem::path(target).parent_path(), 0, 2);
}

// A folder the user may read but not write, met as a user meets it (the test may run
// as root, who could write anyway).
TEST_F(BackupFileFaults, AFolderWithoutTheRightToWriteOnAUsersThreadLosesNothing)
{
  Arrange(dir.path(), 0, 2);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  RunAsAUser([&] {
    EXPECT_THROW_MSG(Config(1).SaveToFile(path), EFileReplaceError,
                     "Cannot create file \"" + path + "\". Permission denied");
  });
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  ExpectUntouched(dir.path(), 0, 2);
}
