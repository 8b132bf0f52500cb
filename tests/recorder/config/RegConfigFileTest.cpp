// The backup file, checked by the independent reader (backup_file.py, written from the
// file layouts alone): every file a test writes must hold for it, and the section orders
// expected here are the layout's own lists.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BackupDevice.h"
#include "ConfigTestSupport.h"
#include "platform/SafeFileReplace.h"
#include "platform/SysFault.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"
#include "support/BackupReader.h"
#include "support/ExpectThrowMsg.h"
#include "support/TempDir.h"

namespace {

struct OrderCase {
  const char* name;
  std::uint32_t version;
  std::uint32_t features;
  std::vector<int> tags;
};

class BackupSectionOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(BackupSectionOrder, FollowsTheFirmwareAndTheFeatureBits)
{
  const OrderCase& c = GetParam();
  BackupDevice device(c.version, c.features);
  device.Fit();
  TempDir dir;
  const std::string path = dir / "1234.cfg";
  device.config.SaveToFile(path);

  const BackupReading reading = ReadBackupFile(path);
  EXPECT_EQ(reading.status, 0) << reading.faults;
  EXPECT_EQ(reading.Tags(), c.tags);
}

// 4 the device, then the information sections, then the blocks.
const OrderCase kOrderCases[] = {
    {"v2_1_100_NoOptionalBit", MakeVersion(2, 1, 100), 0,
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 36, 39, 40}},
    // The same blocks as 2.1.100; the device section now leads the information.
    {"v2_1_150_NoOptionalBit", MakeVersion(2, 1, 150), 0,
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 34, 35, 37, 38, 36, 39, 40}},
    {"v2_1_160_NoTotalizersOrCounters", MakeVersion(2, 1, 160), 0,
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 34, 35, 37, 38, 36}},
    {"v2_1_130_255_DeviceSectionLast", MakeVersion(2, 1, 130, 255), 0,
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 36, 39, 40}},
    {"v2_1_131_DeviceSectionFirst", MakeVersion(2, 1, 131), 0,
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 34, 35, 37, 38, 36, 39, 40}},
    {"v2_1_120_Older", MakeVersion(2, 1, 120), Bits({0, 3, 9}),
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 36, 39, 40, 41, 42, 44}},
    {"v2_1_156_Newer", MakeVersion(2, 1, 156), Bits({0, 3, 9}),
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 34, 35, 37, 38, 36, 44, 41, 39, 40, 42}},
    {"v2_1_157_Newest", MakeVersion(2, 1, 157), Bits({0, 3, 9}),
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 34, 35, 37, 38, 36, 44, 41, 42}},
    {"BoardsOfBothFormatsBothTagged80", MakeVersion(2, 1, 157), Bits({10, 24, 27}),
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 34, 35, 37, 38, 36, 46, 80, 80}},
    {"ProgramTablesRegulatorsScheme", MakeVersion(2, 1, 160), Bits({14, 15, 19, 25}),
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 34, 35, 37, 38, 36, 130, 47, 64, 129}},
    {"v2_1_53_TagFields", MakeVersion(2, 1, 53), Bits({13}),
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 39, 40, 45}},
    {"v2_1_52_NoTagFieldsYet", MakeVersion(2, 1, 52), Bits({13}),
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 39, 40}},
    {"v2_1_40_NoRelays", MakeVersion(2, 1, 40), 0, {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 39, 40}},
    {"v2_0_20_NoSummaryBoardBefore2_1", MakeVersion(2, 0, 20), Bits({8}),
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 39, 40}},
    // The branch reads its summary board like 2.1 and keeps it; it has no tag fields and
    // no relay records.
    {"v2_2_1_SummaryBoardKept", MakeVersion(2, 2, 1), Bits({8, 13}),
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 34, 35, 37, 38, 43, 39, 40}},
    {"v1_9_NoSignalSectionNoAO", MakeVersion(1, 9, 0), 0, {4, 16, 19, 21, 22, 17, 32, 33, 35, 38, 39, 40}},
    {"v1_10_5_NoRelaySection", MakeVersion(1, 10, 5), 0, {4, 16, 18, 19, 21, 22, 17, 32, 33, 35, 38, 39, 40}},
    // The relays' section begins with 1.10.6 exactly, its last build below having none.
    {"v1_10_5_255_NoRelaySectionYet", MakeVersion(1, 10, 5, 255), 0,
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 35, 38, 39, 40}},
    {"v1_10_6_RelaySectionFromHere", MakeVersion(1, 10, 6), 0, {4, 16, 18, 19, 21, 22, 17, 32, 33, 35, 38, 36, 39, 40}},
    {"v1_10_10_Relays", MakeVersion(1, 10, 10), Bits({0}),
     {4, 16, 18, 19, 21, 22, 17, 32, 33, 35, 38, 36, 39, 40, 42}},
    {"v1_10_16_DeviceSectionFirst", MakeVersion(1, 10, 16), 0,
     {4, 17, 16, 18, 19, 21, 22, 32, 33, 35, 38, 36, 39, 40}},
};

INSTANTIATE_TEST_SUITE_P(Layouts, BackupSectionOrder, testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The section lines of a saved device.
std::vector<std::string> SavedSections(BackupDevice& device)
{
  TempDir dir;
  const std::string path = dir / "device.cfg";
  device.config.SaveToFile(path);
  const BackupReading reading = ReadBackupFile(path);
  EXPECT_EQ(reading.status, 0) << reading.faults;
  return reading.Sections();
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(BackupFile, SummaryBoardFormByFirmware)
{
  const struct {
    std::uint32_t version;
    const char* section;
  } cases[] = {
      {MakeVersion(2, 1, 116, 255), "43 1 36"},
      {MakeVersion(2, 1, 117), "43 1 200"},
      {MakeVersion(2, 2, 1), "43 1 36"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version));
    BackupDevice device(c.version, Bits({8}));
    device.Fit();
    EXPECT_TRUE(HasLine(SavedSections(device), c.section));
  }
}

// From 2.1.54 a TTL channel is read in either form by its size, and its record goes into
// the file in the form it came in; a section has one record size, so channels that came
// in different forms all go in the version's.
TEST(BackupFile, TTLSectionHoldsTheFormTheChannelsCameIn)
{
  const auto& longForm = RecordVector("blocks", "ttl_248_at_2.1.60_keeps_its_form_and_mode");
  const auto& shortForm = RecordVector("blocks", "ttl_200_at_2.1.60__four_events");
  const struct {
    const char* name;
    std::vector<const std::vector<std::uint8_t>*> read;  // the records of the first channels
    const char* section;
  } cases[] = {
      {"both long", {&longForm, &longForm}, "44 2 248"},
      {"one long, one short", {&longForm, &shortForm}, "44 2 200"},
      {"none read", {}, "44 2 200"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BackupDevice device(MakeVersion(2, 1, 60), Bits({9}));
    device.info.TTLCount = 2;
    device.Fit();
    for (std::size_t i = 0; i < c.read.size(); ++i) device.config.TTL[i].ReadRecord(MakeVersion(2, 1, 60), *c.read[i]);
    EXPECT_TRUE(HasLine(SavedSections(device), c.section));
  }
}

// A 2.1.150 device may send the 44-byte device record of its band; the file still holds
// the 64-byte record of the version, its new fields zero.
TEST(BackupFile, DeviceRecordOfTheVersionWhateverTheDeviceSent)
{
  BackupDevice device(MakeVersion(2, 1, 150));
  std::vector<std::uint8_t> record(44, 0);
  record[5] = 150;  // firmware 2.1.150.0 at bytes 4-7
  record[6] = 1;
  record[7] = 2;
  record[17] = 16;  // channels per page
  record[32] = 21;    // model
  device.info.ReadDeviceInfoRecord(record);
  device.Fit();
  EXPECT_TRUE(HasLine(SavedSections(device), "17 1 64"));
}

// First-line relays: the section counts the device's relays even when the list holds
// more; the second line writes every item.
TEST(BackupFile, RelaySectionCountsByLine)
{
  BackupDevice first(MakeVersion(1, 10, 10));
  first.info.DOCount = 3;
  first.info.DOChannels.resize(3);
  first.Fit();
  first.config.DO.resize(5);
  // The reader takes the count from the device's own record; a longer list must not
  // show in the file.
  EXPECT_TRUE(HasLine(SavedSections(first), "36 3 36"));

  BackupDevice second(MakeVersion(2, 1, 160));
  second.info.DOCount = 2;
  second.info.ExtDOCount = 2;
  second.info.DOChannels.resize(4);
  second.Fit();
  const auto sections = SavedSections(second);
  EXPECT_TRUE(HasLine(sections, "36 4 220"));
  EXPECT_TRUE(HasLine(sections, "22 2 1"));  // the information section: base relays only
}

// A section cannot hold more than 255 items nor a record of another size than it
// announces: the save fails and leaves nothing behind.
TEST(BackupFile, SectionThatCannotHoldItsListRaises)
{
  struct Case {
    const char* name;
    std::function<void(BackupDevice&)> setUp;
    long check;
  };
  const Case cases[] = {
      {"256 analog outputs",
       [](BackupDevice& d) {
         d.info.AOCount = 250;
         d.info.ExtAOCount = 6;
         d.Fit();
       },
       5492},
      {"a page never read has no record of the device's size",
       [](BackupDevice& d) {
         d.info.PageCount = 1;
         d.Fit();
       },
       5493},
      {"a page of 20 slots on a device of 16 channels a page",
       [](BackupDevice& d) {
         d.info.PageCount = 1;
         d.Fit();
         d.config.Pages[0].Channels.resize(20);
       },
       5493},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BackupDevice device(MakeVersion(2, 1, 120));
    c.setUp(device);
    TempDir dir;
    EXPECT_EQ(CheckOf([&] { device.config.SaveToFile(dir / "x.cfg"); }), c.check);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
}

// The user-table stream is framed with a 16-bit size: 64 KiB or more cannot be held.
TEST(BackupFile, ShortStreamOf64KiBRaises)
{
  BackupDevice device(MakeVersion(2, 1, 127), Bits({19}));
  device.info.UserTableCount = 8;
  device.Fit();
  for (auto& table : device.config.UserTables.Tables) table.Points.resize(1100);  // 232 + 8 × 8800 bytes
  TMemoryStream stream;
  EXPECT_THROW(device.config.SaveToStream(stream), EVantorException);
  EXPECT_EQ(stream.GetSize(), 0);

  for (auto& table : device.config.UserTables.Tables) table.Points.resize(1000);  // 64232 bytes
  EXPECT_NO_THROW(device.config.SaveToStream(stream));
}

TEST(BackupFile, VersionsWithoutALayout)
{
  BackupDevice device(MakeVersion(2, 1, 161));
  device.Fit();
  TMemoryStream stream;
  EXPECT_THROW_MSG(device.config.SaveToStreamForVersion(stream, {MakeVersion(2, 1, 161), MakeVersion(2, 1, 161)}),
                   EVantorUnsupportedNewVer, EVantorUnsupportedNewVer(MakeVersion(2, 1, 161), kSecondLineUpTo).Message());
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>(
                [&] { device.config.SaveToStreamForVersion(stream, {MakeVersion(1, 2, 9), 1}); }),
            MakeVersion(1, 2, 9));
  EXPECT_THROW(device.config.SaveToStreamForVersion(stream, {0, 1}), EVersion);
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>(
                [&] { device.config.SaveToStreamForVersion(stream, {MakeVersion(1, 7, 2), MakeVersion(1, 7, 2)}); }),
            MakeVersion(1, 7, 2));
  EXPECT_EQ(stream.GetSize(), 0);
}

// --- Saving to a file ------------------------------------------------------------

class BackupFileSave : public testing::Test {
protected:
  ~BackupFileSave() override { ClearSysFaults(); }

  BackupDevice device{MakeVersion(2, 1, 160)};
  TempDir dir;
  std::string path = dir / "1234.cfg";
};

TEST_F(BackupFileSave, OverAnExistingFileKeepsItAsBak)
{
  device.Fit();
  WriteFileBytes(path, "the previous backup");
  WriteFileBytes(path + ".bak", "an older one");
  device.config.SaveToFile(path);
  EXPECT_EQ(ReadBackupFile(path).status, 0);
  EXPECT_EQ(ReadFileBytes(path + ".bak"), "the previous backup");
  EXPECT_EQ(dir.Listing(), (std::vector<std::string>{"1234.cfg", "1234.cfg.bak"}));
}

TEST_F(BackupFileSave, NewFileTakesTheUmaskAndAnOldOneKeepsItsMode)
{
  device.Fit();
  const mode_t umask = ::umask(022);
  device.config.SaveToFile(path);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  device.config.SaveToFile(path);
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ::umask(umask);
}

// A full disk or a folder nobody may write: the save fails with the system's word, the
// previous backup stays as it was and no temporary file is left.
TEST_F(BackupFileSave, FailureLeavesThePreviousFileAndNoTemporary)
{
  device.Fit();
  const struct {
    const char* name;
    SysCallId call;
    int error;
    int skip;
  } cases[] = {
      {"folder not writable", SysCallId::Open, EACCES, 0},
      {"disk full at the last block", SysCallId::Write, ENOSPC, 0},
      {"disk full at the sync", SysCallId::Fsync, ENOSPC, 0},
      {"rename refused", SysCallId::Rename, EIO, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(path, "the previous backup");
    std::filesystem::remove(path + ".bak");
    InjectSysFault(c.call, c.error, 100, c.skip);
    EXPECT_THROW(device.config.SaveToFile(path), Exception);
    ClearSysFaults();
    EXPECT_EQ(ReadFileBytes(path), "the previous backup");
    for (const auto& name : dir.Listing()) EXPECT_TRUE(name == "1234.cfg" || name == "1234.cfg.bak") << name;
  }
}

// A temporary file that a killed save left beside the target goes with the next save.
TEST_F(BackupFileSave, AbandonedTemporaryRemovedByTheNextSave)
{
  device.Fit();
  WriteFileBytes(path + ".~Ab12Cd.tmp", "half a file");
  device.config.SaveToFile(path);
  EXPECT_EQ(dir.Listing(), std::vector<std::string>{"1234.cfg"});
}

}  // namespace

// --- The old layout ---------------------------------------------------------------

namespace {

struct OldLayoutCase {
  const char* name;
  std::uint32_t version;
  std::size_t signals, ai, di, relays, pages, totalizers, counters, timers;
  std::uint32_t features;
  std::vector<std::string> areas;  // the reader's lines after "RLCF <version>"
};

class BackupOldLayout : public testing::TestWithParam<OldLayoutCase> {};

TEST_P(BackupOldLayout, HoldsForTheIndependentReader)
{
  const OldLayoutCase& c = GetParam();
  BackupDevice device(c.version, c.features);
  TRegInfo& info = device.info;
  info.AISignalSupport.resize(c.signals);
  for (auto& entry : info.AISignalSupport) entry.Valid = 1;
  info.AIChannels.resize(c.ai);
  info.RtdR0List = {10000};  // the first line names R0 by its place in the list
  info.DIChannels.resize(c.di);
  info.DOCount = static_cast<std::uint8_t>(c.relays);
  info.DOChannels.resize(c.relays);
  info.PageCount = static_cast<std::uint32_t>(c.pages);
  info.PageChannelCount = 6;
  info.SMCount = static_cast<std::uint32_t>(c.totalizers);
  info.CTCount = static_cast<std::uint32_t>(c.counters);
  info.TMRCount = static_cast<std::uint32_t>(c.timers);
  device.Fit();

  TempDir dir;
  const std::string path = dir / "old.cfg";
  device.config.SaveToFile(path);
  const BackupReading reading = ReadBackupFile(path);
  ASSERT_EQ(reading.status, 0) << reading.faults;
  EXPECT_EQ(reading.lines.front(), "RLCF " + VersionToText(c.version));
  EXPECT_EQ(reading.Sections(), c.areas);
}

// Info area: 2 + 188/207/28 + records + closing word, then the device record.
const OldLayoutCase kOldLayoutCases[] = {
    // 16-byte head, 3-byte general record, 2 DI × 39, 2 pages × 81: 259 bytes, not padded.
    {"v1_4_NotPadded", MakeVersion(1, 4, 2), 9, 0, 2, 2, 2, 0, 0, 0, 0, {"info 230", "data 259"}},
    // The layout's first version, with two AI channels: 2 + 188 + 2 × 10 + 1 + 1 + 2 = 214
    // and 34 in the info area; 16 + 3 + 2 × 187 + 39 + 81 = 513 in the data area.
    {"v1_3_AnalogInputs", MakeVersion(1, 3, 0), 9, 2, 1, 1, 1, 0, 0, 0, 0, {"info 248", "data 513"}},
    // 12 + 4 + 39 + 2 × 83 = 221 = 4k + 1: three zero bytes.
    {"v1_5_PaddedWithThreeBytes", MakeVersion(1, 5, 3), 9, 0, 1, 2, 2, 2, 1, 0, 0,
     {"info 235", "data 224", "misc 192"}},
    // 2 + 207 + 2 DI + 2 relays + 2 = 215, then 44; 12 + 4 + 2 × 39 + 83 = 177, padded.
    {"v1_6_EmptyMiscTimersSchedule", MakeVersion(1, 6, 3), 10, 0, 2, 2, 1, 0, 0, 0, 0,
     {"info 259", "data 180", "misc 0", "timers 0", "schedule 0"}},
    {"v1_6_TimersAndSchedule", MakeVersion(1, 6, 3), 10, 0, 2, 2, 1, 1, 0, 2, 1u << 0,
     {"info 259", "data 180", "misc 64", "timers 88", "schedule 132"}},
    // 2 + 2 + 28 + 9 × 14 + 2 DI + 2 relays = 162, then 44; 12 + 4 + 2 × 44 + 83 = 187, padded.
    {"v1_8_SignalTypesAsRecords", MakeVersion(1, 8, 1), 9, 0, 2, 2, 1, 0, 0, 0, 0,
     {"info 206", "data 188", "misc 0", "timers 0", "schedule 0"}},
};

INSTANTIATE_TEST_SUITE_P(Versions, BackupOldLayout, testing::ValuesIn(kOldLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The old layout writes one record per channel and page the device counts: a list that
// holds fewer items has no record to give, and the save writes nothing.
TEST(BackupOldLayout, ListShorterThanTheDeviceRaises)
{
  for (const char* list : {"DI", "pages"}) {
    SCOPED_TRACE(list);
    BackupDevice device(MakeVersion(1, 6, 3));
    device.info.AISignalSupport.resize(10);
    for (auto& entry : device.info.AISignalSupport) entry.Valid = 1;
    device.info.DIChannels.resize(2);
    device.info.PageCount = 2;
    device.info.PageChannelCount = 6;
    device.Fit();
    if (std::string(list) == "DI") device.config.DI.resize(1);
    else device.config.Pages.resize(1);
    TMemoryStream stream;
    EXPECT_EQ(CheckOf([&] { device.config.SaveToStream(stream); }), 16700);
    EXPECT_EQ(stream.GetSize(), 0);
  }
}

}  // namespace
