// The settings store against what can happen to a program or a disk while it saves: the
// program killed at any step of a save, two programs saving at once (one of them killed
// again and again), a full disk, a folder without the right to write, a read-only file
// system. The store is always one program's whole save, and no saved value is lost.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/SysFault.h"
#include "support/ExpectThrowMsg.h"
#include "support/KillPoints.h"
#include "support/PrivateTmpfs.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace {

const char kKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";

// What the program saves at its exit, in one batch through both wrappers: the
// connection's texts and the scan dialog's numbers. Each generation its own values.
void SaveSettings(const std::string& folder, int generation)
{
  Registry store(folder);
  RegistryBatch batch(store);
  TRegIniFile mb(kKey, RegistryAccess::Write, store);
  mb.WriteString("MB", "rtu_device", "/dev/ttyUSB" + std::to_string(generation));
  mb.WriteInteger("MB", "rtu_baudrate", 9600 * (generation + 1));
  mb.WriteString("MBSetup", "EthAddressMRU", "mbtcp://10.0.0." + std::to_string(generation) + ",\"Пульт\"");
  TRegistryIniFile scan(kKey, RegistryAccess::Write, store);
  scan.WriteInteger("ScanRSDialog", "AddrStop", 200 + generation);
  scan.WriteBool("ScanRSDialog", "Нечетный", generation % 2 != 0);
  batch.Commit();
}

// The generation the store's values are all of; -1 when they are of several (a torn
// save), -2 when there is no store.
int GenerationOfStore(const std::string& folder)
{
  if (!std::filesystem::exists(folder + "/registry.txt")) return -2;
  Registry store(folder);
  RegistryBatch snapshot(store);  // every read below of one reading of the file
  TRegIniFile mb(kKey, RegistryAccess::Read, store);
  TRegistryIniFile scan(kKey, RegistryAccess::Read, store);
  const int generation = scan.ReadInteger("ScanRSDialog", "AddrStop", 0) - 200;
  const bool whole = mb.ReadString("MB", "rtu_device", "") == "/dev/ttyUSB" + std::to_string(generation) &&
                     mb.ReadInteger("MB", "rtu_baudrate", 0) == 9600 * (generation + 1) &&
                     mb.ReadString("MBSetup", "EthAddressMRU", "") ==
                         "mbtcp://10.0.0." + std::to_string(generation) + ",\"Пульт\"" &&
                     scan.ReadBool("ScanRSDialog", "Нечетный", generation % 2 == 0) == (generation % 2 != 0);
  return whole ? generation : -1;
}

bool IsTemporaryName(const std::string& name)
{
  return name.size() == std::string("registry.txt.~XXXXXX.tmp").size() && name.starts_with("registry.txt.~") &&
         name.ends_with(".tmp");
}

class SettingsFaults : public testing::Test {
protected:
  ~SettingsFaults() override { ClearSysFaults(); }

  TempDir dir;
};

struct CrashScenario {
  const char* name;
  int previous;     // the generation in the store, -1: no store yet, -2: not even its folder
  bool deadWriter;  // a temporary file of an earlier killed save lies beside
};

void PrintTo(const CrashScenario& scenario, std::ostream* out) { *out << scenario.name; }

class SettingsCrash : public SettingsFaults, public testing::WithParamInterface<CrashScenario> {};

}  // namespace

// A save killed before and after each system call it makes (the folders' creation, the
// lock file, the reading of the store, the temporary file, the write, the sync, the
// close, the rename, the folder's sync): the store is the previous one or the new one,
// each whole, byte for byte as a save leaves it; at most one temporary file is left, and
// the next save takes it away.
TEST_P(SettingsCrash, KilledAtEveryStepOfTheSaveLeavesTheOldOrTheNewStoreWhole)
{
  const CrashScenario& s = GetParam();
  constexpr int kFresh = 7, kNext = 8;
  const std::string folder = dir / "config/kestrel";
  // The store's text after each save, made once without a kill.
  std::map<int, std::string> texts;
  {
    TempDir scratch;
    if (s.previous >= 0) {
      SaveSettings(scratch.path(), s.previous);
      texts[s.previous] = ReadFileBytes(scratch / "registry.txt");
    }
    SaveSettings(scratch.path(), kFresh);
    texts[kFresh] = ReadFileBytes(scratch / "registry.txt");
  }
  int trials = 0, old = 0, fresh = 0, torn = 0, leftTemporary = 0;
  std::map<std::string, int> points;
  for (int point = 1;; ++point) {
    SCOPED_TRACE("kill point " + std::to_string(point));
    std::filesystem::remove_all(dir / "config");
    if (s.previous >= -1) std::filesystem::create_directories(folder);
    if (s.previous >= 0) SaveSettings(folder, s.previous);
    if (s.deadWriter) WriteFileBytes(folder + "/registry.txt.~Dead01.tmp", texts[kFresh].substr(0, 40));
    const KillOutcome outcome = RunKilledAt(point, [&] { SaveSettings(folder, kFresh); });
    if (!outcome.killed) {
      ASSERT_EQ(outcome.exitCode, 0) << "the save, not killed, did not complete";
      ASSERT_GT(point, 15) << "too few steps to stop at";
      break;
    }
    ++trials;
    ++points[KillPointName(outcome)];
    SCOPED_TRACE(KillPointName(outcome));

    const bool folderThere = std::filesystem::exists(folder);
    const std::optional<std::string> text =
        folderThere && std::filesystem::exists(folder + "/registry.txt") ? std::optional(ReadFileBytes(folder + "/registry.txt"))
                                                                         : std::nullopt;
    const int found = text ? GenerationOfStore(folder) : -2;
    if ((found == s.previous || (found == -2 && s.previous < 0)) && (!text || *text == texts[s.previous])) {
      ++old;
    } else if (found == kFresh && *text == texts[kFresh]) {
      ++fresh;
    } else {
      ++torn;
      ADD_FAILURE() << "the store is neither save whole: " << (text ? *text : "(none)");
    }
    int temporaries = 0;
    if (folderThere) {
      for (const auto& name : SortedNames(folder)) {
        if (name == "registry.txt" || name == "registry.lock" || (s.deadWriter && name == "registry.txt.~Dead01.tmp"))
          continue;
        EXPECT_TRUE(IsTemporaryName(name)) << "a stray file " << name;
        ++temporaries;
      }
    }
    EXPECT_LE(temporaries, 1);
    leftTemporary += temporaries;

    SaveSettings(folder, kNext);
    EXPECT_EQ(GenerationOfStore(folder), kNext);
    EXPECT_EQ(SortedNames(folder), (std::vector<std::string>{"registry.lock", "registry.txt"}));
  }
  EXPECT_EQ(torn, 0);
  EXPECT_GT(old, 0);
  EXPECT_GT(fresh, 0);
  std::string kinds;
  for (const auto& [name, n] : points) kinds += (kinds.empty() ? "" : ", ") + name + " ×" + std::to_string(n);
  std::cout << "[ figures  ] settings, " << s.name << ": " << trials << " trials, one a kill point (" << kinds
            << "): " << old << " old, " << fresh << " new, " << torn << " partial; a temporary file left by "
            << leftTemporary << "\n";
}

const CrashScenario kCrashScenarios[] = {
    {"FirstSaveIntoANewFolder", -2, false},
    {"FirstSaveIntoAnEmptyFolder", -1, false},
    {"OverAStore", 3, false},
    {"BesideATemporaryFileOfAKilledSave", 3, true},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, SettingsCrash, testing::ValuesIn(kCrashScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

constexpr int kValues = 6;

// One program's save: its own section, every value the round's number.
void SaveRound(const std::string& folder, const std::string& section, int round)
{
  Registry store(folder);
  RegistryBatch batch(store);
  TRegIniFile ini(kKey, RegistryAccess::Write, store);
  for (int v = 0; v < kValues; ++v) ini.WriteInteger(section, "v" + std::to_string(v), round);
  batch.Commit();
}

// The round a program's section holds, every value of it; -1 when they differ (a torn
// save), 0 when the section is not there yet.
int RoundOf(const std::string& folder, const std::string& section)
{
  RegistryBatch snapshot{Registry(folder)};  // the values of one reading of the file, not one each
  TRegIniFile ini(kKey, RegistryAccess::Read, Registry(folder));
  const int round = ini.ReadInteger(section, "v0", 0);
  for (int v = 1; v < kValues; ++v) {
    if (ini.ReadInteger(section, "v" + std::to_string(v), 0) != round) return -1;
  }
  return round;
}

}  // namespace

// Two programs save their settings at once, each its own values: one saves round after
// round until told to stop, the other is killed at each step of its save in turn and
// started again, twice over every step. Every value the first saved is there at the
// end; the second's are those of its last save that completed, or of the killed one
// when the kill came after its rename; neither ever finds the other's values torn.
TEST_F(SettingsFaults, TwoProgramsSavingAtOnceOneKilledAtEveryStepLoseNoValue)
{
  const std::string folder = dir.path();
  int stop[2], result[2];
  ASSERT_EQ(::pipe2(stop, O_CLOEXEC), 0);
  ASSERT_EQ(::pipe2(result, O_CLOEXEC), 0);
  const pid_t steady = ::fork();
  if (steady == 0) {
    ::close(stop[1]);
    ::close(result[0]);
    int round = 0;
    try {
      for (pollfd told{stop[0], POLLIN, 0}; ::poll(&told, 1, 0) == 0;) SaveRound(folder, "Steady", ++round);
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(::write(result[1], &round, sizeof round) == sizeof round ? 0 : 2);
  }
  ::close(stop[0]);
  ::close(result[1]);
  ASSERT_GT(steady, 0);
  int trials = 0, walks = 0, durable = 0, killedAfterCommit = 0, lastSteady = 0;
  for (int point = 1, round = 1; walks < 2; ++round) {
    const KillOutcome outcome = RunKilledAt(point, [&] { SaveRound(folder, "Killed", round); });
    const int found = RoundOf(folder, "Killed");
    if (outcome.killed) {
      ++trials;
      ++point;
      EXPECT_TRUE(found == durable || found == round) << "round " << round << " killed " << KillPointName(outcome)
                                                      << ": the store holds round " << found;
      if (found == round) ++killedAfterCommit;
    } else {
      ASSERT_EQ(outcome.exitCode, 0);
      EXPECT_EQ(found, round);
      point = 1;
      ++walks;
    }
    durable = found;
    const int steadyFound = RoundOf(folder, "Steady");
    EXPECT_GE(steadyFound, lastSteady) << "a saved round of the other program went missing";
    lastSteady = steadyFound;
  }
  ::close(stop[1]);
  int steadyStatus = 0, steadyRounds = 0;
  ASSERT_EQ(::waitpid(steady, &steadyStatus, 0), steady);
  ASSERT_TRUE(WIFEXITED(steadyStatus) && WEXITSTATUS(steadyStatus) == 0) << "the steady program failed";
  ASSERT_EQ(::read(result[0], &steadyRounds, sizeof steadyRounds), static_cast<ssize_t>(sizeof steadyRounds));
  ::close(result[0]);
  EXPECT_EQ(RoundOf(folder, "Steady"), steadyRounds);
  EXPECT_EQ(RoundOf(folder, "Killed"), durable);
  EXPECT_GT(trials, 15);
  SaveRound(folder, "Killed", 1000);
  EXPECT_EQ(SortedNames(folder), (std::vector<std::string>{"registry.lock", "registry.txt"}));
  std::cout << "[ figures  ] settings, two programs at once: " << steadyRounds << " rounds of one, " << trials
            << " kills of the other over " << walks << " walks of its kill points (" << killedAfterCommit
            << " after its rename); no value lost, none torn\n";
}

// A full disk at each step that writes, a folder without the right to write, a
// read-only file system, through the seam: each with its words; the store as it was and
// no temporary file left.
TEST_F(SettingsFaults, DiskFullOrNoRightToWriteLosesNothing)
{
  const std::string folder = dir.path();
  const std::string store = dir / "registry.txt";
  const std::string lock = dir / "registry.lock";
  const std::string cannotWrite = "Settings store: cannot write \"" + store + "\". No space left on device";
  const std::string newFolder = dir / "new";
  // Every folder above the store's is made (or found) on the way to it.
  const int foldersAbove = static_cast<int>(std::count(newFolder.begin(), newFolder.end(), '/')) - 1;
  struct Case {
    const char* name;
    SysCallId call;
    int error;
    int skip;
    std::string message;
    bool inNewFolder = false;
  };
  const Case cases[] = {
      {"no room for a new folder", SysCallId::Mkdir, ENOSPC, foldersAbove,
       "Settings store: cannot create the folder \"" + newFolder + "\". No space left on device", true},
      // The opens of a save: the store read for the batch, the lock file, the store
      // read again under the lock, the temporary file.
      {"no room for the lock file", SysCallId::Open, ENOSPC, 1,
       "Settings store: cannot open \"" + newFolder + "/registry.lock\". No space left on device", true},
      {"no room for the temporary file", SysCallId::Open, ENOSPC, 3,
       "Settings store: cannot create a file beside \"" + store + "\". No space left on device"},
      {"disk full at the write", SysCallId::Write, ENOSPC, 0, cannotWrite},
      {"disk full at the sync", SysCallId::Fsync, ENOSPC, 0, cannotWrite},
      {"disk full found at the close", SysCallId::Close, ENOSPC, 0, cannotWrite},
      {"no room to rename", SysCallId::Rename, ENOSPC, 0, cannotWrite},
      {"folder without the right to write", SysCallId::Open, EACCES, 3,
       "Settings store: cannot create a file beside \"" + store + "\". Permission denied"},
      {"read-only file system", SysCallId::Open, EROFS, 1,
       "Settings store: cannot open \"" + lock + "\". Read-only file system"},
  };
  SaveSettings(folder, 1);
  const std::string before = ReadFileBytes(store);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InjectSysFault(c.call, c.error, 1, c.skip);
    EXPECT_THROW_MSG(SaveSettings(c.inNewFolder ? newFolder : folder, 2), ERegistryException, c.message);
    ClearSysFaults();
    EXPECT_EQ(ReadFileBytes(store), before);
    EXPECT_EQ(GenerationOfStore(folder), 1);
    std::filesystem::remove_all(newFolder);
    EXPECT_EQ(SortedNames(folder), (std::vector<std::string>{"registry.lock", "registry.txt"}));
  }
}

// For real, on a tmpfs of the test's own: full to the last page, then read-only. The
// store holds what it held and the error says why.
TEST_F(SettingsFaults, OnAFullFileSystemTheSaveFailsAndLosesNothing)
{
  PrivateTmpfs disk({.sizeBytes = 64 * 1024, .prepare = {}, .readOnly = false});
  if (!disk.Ready()) GTEST_SKIP() << "no file system of the test's own: " << disk.Why();
  const std::string folder = disk / "kestrel";
  SaveSettings(folder, 1);
  const std::string before = ReadFileBytes(folder + "/registry.txt");
  WriteFileBytes(disk / "filler", std::string(std::filesystem::space(folder).available, 'f'));
  ASSERT_EQ(std::filesystem::space(folder).available, 0u);
  EXPECT_THROW_MSG(SaveSettings(folder, 2), ERegistryException,
                   "Settings store: cannot write \"" + folder + "/registry.txt\". No space left on device");
  EXPECT_EQ(ReadFileBytes(folder + "/registry.txt"), before);
  EXPECT_EQ(SortedNames(folder), (std::vector<std::string>{"registry.lock", "registry.txt"}));
  std::filesystem::remove(disk / "filler");
  SaveSettings(folder, 2);
  EXPECT_EQ(GenerationOfStore(folder), 2);
}

TEST_F(SettingsFaults, OnAReadOnlyFileSystemTheSaveFailsAndLosesNothing)
{
  PrivateTmpfs disk({.prepare = [](const std::string& root) { SaveSettings(root + "/kestrel", 1); }, .readOnly = true});
  if (!disk.Ready()) GTEST_SKIP() << "no file system of the test's own: " << disk.Why();
  const std::string folder = disk / "kestrel";
  ASSERT_EQ(GenerationOfStore(folder), 1);
  EXPECT_THROW_MSG(SaveSettings(folder, 2), ERegistryException,
                   "Settings store: cannot open \"" + folder + "/registry.lock\". Read-only file system");
  EXPECT_EQ(GenerationOfStore(folder), 1);
  EXPECT_EQ(SortedNames(folder), (std::vector<std::string>{"registry.lock", "registry.txt"}));
}

// A settings folder the user may read but not write, met as a user meets it: before
// the lock file exists and after.
TEST_F(SettingsFaults, AFolderWithoutTheRightToWriteOnAUsersThreadLosesNothing)
{
  const std::string folder = dir.path();
  SaveSettings(folder, 1);
  const std::string before = ReadFileBytes(folder + "/registry.txt");
  struct {
    const char* name;
    bool lockThere;
    std::string message;
  } const cases[] = {
      {"with the lock file", true,
       "Settings store: cannot create a file beside \"" + folder + "/registry.txt\". Permission denied"},
      {"without it", false, "Settings store: cannot open \"" + folder + "/registry.lock\". Permission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.lockThere) std::filesystem::remove(folder + "/registry.lock");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    RunAsAUser([&] { EXPECT_THROW_MSG(SaveSettings(folder, 2), ERegistryException, c.message); });
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(ReadFileBytes(folder + "/registry.txt"), before);
  }
}
