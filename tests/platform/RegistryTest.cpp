#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "platform/Registry.h"
#include "platform/RegistryDocument.h"
#include "platform/SysFault.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

const char kKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";

// A store as the build before the one-write saves wrote it, with every form of line:
// the heading, empty keys that the keys below them spell in another case, numbers, texts
// with every escape, Cyrillic names, a key path below a section.
const char kStoreBefore[] = R"store(; Kestrel settings: the current user's registry. UTF-8, one [key] a block.

[SOFTWARE]

[SOFTWARE\Nordwick]

[software\nordwick\Kestrel]

[SOFTWARE\Nordwick\KESTREL\1.0]
"Число"=dword:deadbeef

[SOFTWARE\Nordwick\Mirel\1.0\MB]
"if"="1"
"rtu_device"="/dev/ttyUSB0"
"rtu_baudrate"="115200"

[SOFTWARE\Nordwick\Mirel\1.0\MBSetup]
"EthAddressMRU"="mbtcp://10.0.0.5,\"Пульт\" \\ 2\nline\t\x01\x7f"

[SOFTWARE\Nordwick\Mirel\1.0\ScanEthDialog\Screen1920x1080]
"Left"=dword:fffffff8
"LWidth"=dword:000000a0

[SOFTWARE\Nordwick\Mirel\1.0\ScanRSDialog]
"Нечетный"="1"
"AddrStop"=dword:000000f7

[SOFTWARE\Nordwick\Пусто]
)store";

// The calls that wrote kStoreBefore.
void WriteTheStoreBefore(Registry store)
{
  TRegIniFile mb(kKey, RegistryAccess::Write, store);
  mb.WriteInteger("MB", "if", 1);
  mb.WriteString("MB", "rtu_device", "/dev/ttyUSB0");
  mb.WriteInteger("MB", "rtu_baudrate", 115200);
  mb.WriteString("MBSetup", "EthAddressMRU", "mbtcp://10.0.0.5,\"Пульт\" \\ 2\nline\t\x01\x7f");
  TRegistryIniFile scan(kKey, RegistryAccess::Write, store);
  scan.WriteInteger("ScanEthDialog\\Screen1920x1080", "Left", -8);
  scan.WriteInteger("ScanEthDialog\\Screen1920x1080", "LWidth", 160);
  scan.WriteBool("ScanRSDialog", "Нечетный", true);
  scan.WriteInteger("ScanRSDialog", "AddrStop", 247);
  store.CreateKey("\\SOFTWARE\\Nordwick\\Пусто");
  store.CreateKey("\\software\\nordwick\\Kestrel");
  store.WriteValue("\\SOFTWARE\\Nordwick\\KESTREL\\1.0", "Число", RegistryValue::Dword(0xDEADBEEF));
}

class RegistryTest : public ::testing::Test {
protected:
  ~RegistryTest() override { ClearSysFaults(); }

  Registry Store() { return Registry(dir.path().string()); }
  std::string StoreText() { return ReadFileBytes(dir / "registry.txt"); }

  TempDir dir;
};

}  // namespace

TEST_F(RegistryTest, CyrillicNamesAndBackslashSectionsSurviveSaveAndLoad)
{
  {
    TRegistryIniFile scan(kKey, RegistryAccess::Write, Store());
    scan.WriteBool("ScanRSDialog", "нечетный", true);
    scan.WriteBool("ScanRSDialog", "нет", false);
    scan.WriteInteger("ScanRSDialog", "AddrStop", 247);
    scan.WriteInteger("ScanEthDialog\\Screen1920x1080", "Left", -8);
    scan.WriteInteger("ScanEthDialog\\Screen1920x1080", "LWidth", 160);
    TRegIniFile mb(kKey, RegistryAccess::Write, Store());
    mb.WriteString("MB", "rtu_device", "/dev/ttyUSB0");
    mb.WriteInteger("MB", "rtu_baudrate", 115200);
    mb.WriteString("MBSetup", "EthAddressMRU", "mbtcp://10.0.0.5,\"Пульт\" \\ 2\nline");
  }
  TRegistryIniFile scan(kKey, RegistryAccess::Read, Store());
  EXPECT_TRUE(scan.ReadBool("ScanRSDialog", "нечетный", false));
  EXPECT_FALSE(scan.ReadBool("ScanRSDialog", "нет", true));
  EXPECT_EQ(scan.ReadInteger("ScanRSDialog", "AddrStop", 1), 247);
  EXPECT_EQ(scan.ReadInteger("ScanEthDialog\\Screen1920x1080", "Left", 0), -8);
  EXPECT_EQ(scan.ReadInteger("ScanEthDialog\\Screen1920x1080", "LWidth", 0), 160);
  TRegIniFile mb(kKey, RegistryAccess::Read, Store());
  EXPECT_EQ(mb.ReadString("MB", "rtu_device", ""), "/dev/ttyUSB0");
  EXPECT_EQ(mb.ReadInteger("MB", "rtu_baudrate", 0), 115200);
  EXPECT_EQ(mb.ReadString("MBSetup", "EthAddressMRU", ""), "mbtcp://10.0.0.5,\"Пульт\" \\ 2\nline");

  // The backslash makes a section a path of keys, as in the registry.
  Registry store = Store();
  EXPECT_EQ(store.SubKeyNames(kKey), (std::vector<std::string>{"MB", "MBSetup", "ScanEthDialog", "ScanRSDialog"}));
  EXPECT_EQ(store.SubKeyNames(std::string(kKey) + "\\ScanEthDialog"), std::vector<std::string>{"Screen1920x1080"});
  EXPECT_EQ(scan.ReadSection("ScanRSDialog"), (std::vector<std::string>{"нечетный", "нет", "AddrStop"}));
  EXPECT_NE(StoreText().find("[SOFTWARE\\Nordwick\\Mirel\\1.0\\ScanEthDialog\\Screen1920x1080]\n"), std::string::npos);
  EXPECT_NE(StoreText().find("\"нечетный\"=\"1\"\n"), std::string::npos);
}

TEST_F(RegistryTest, TheTwoWrappersKeepTheirIntegerConventions)
{
  TRegIniFile text(kKey, RegistryAccess::Write, Store());
  TRegistryIniFile number(kKey, RegistryAccess::Write, Store());
  text.WriteInteger("MB", "rtu_timeout", 10);
  number.WriteInteger("Placement", "Width", 653);
  number.WriteInteger("Placement", "Top", -1);
  number.WriteBool("Placement", "Maximized", true);
  Registry store = Store();
  store.WriteValue(std::string(kKey) + "\\Placement", "Left", RegistryValue::String("12"));
  number.WriteInteger("Placement", "Left", 40);  // existing text stays text

  std::string mb = std::string(kKey) + "\\MB", placement = std::string(kKey) + "\\Placement";
  EXPECT_EQ(store.ReadValue(mb, "rtu_timeout"), RegistryValue::String("10"));
  EXPECT_EQ(store.ReadValue(placement, "Width"), RegistryValue::Dword(653));
  EXPECT_EQ(store.ReadValue(placement, "Top"), RegistryValue::Dword(0xFFFFFFFF));
  EXPECT_EQ(store.ReadValue(placement, "Maximized"), RegistryValue::String("1"));
  EXPECT_EQ(store.ReadValue(placement, "Left"), RegistryValue::String("40"));
  EXPECT_NE(StoreText().find("\"Width\"=dword:0000028d\n"), std::string::npos);

  // Either wrapper reads either form.
  EXPECT_EQ(text.ReadInteger("Placement", "Width", 0), 653);
  EXPECT_EQ(number.ReadInteger("MB", "rtu_timeout", 0), 10);
  EXPECT_EQ(number.ReadInteger("Placement", "Top", 0), -1);
  EXPECT_TRUE(text.ReadBool("Placement", "Width", false));
}

TEST_F(RegistryTest, MissingOrBadValuesGiveTheDefault)
{
  TRegIniFile ini(kKey, RegistryAccess::Write, Store());
  EXPECT_EQ(ini.ReadInteger("MB", "if", 7), 7);  // nothing stored yet
  EXPECT_FALSE(std::filesystem::exists(dir / "registry.txt"));
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {{"12", 12}, {"-5", -5}, {"+3", 3}, {"$1F", 31}, {"0x10", 16}, {"", 99}, {"12a", 99},
                        {" 1", 99}, {"2147483647", 2147483647}, {"2147483648", 99}, {"-2147483648", -2147483647 - 1},
                        {"ten", 99}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ini.WriteString("MB", "if", c.text);
    EXPECT_EQ(ini.ReadInteger("MB", "if", 99), c.expected);
  }
  EXPECT_EQ(ini.ReadString("Other", "name", "default"), "default");
  EXPECT_FALSE(ini.SectionExists("Other"));
  EXPECT_TRUE(ini.SectionExists("MB"));
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirCase)
{
  TRegistryIniFile ini(kKey, RegistryAccess::Write, Store());
  ini.WriteInteger("ScanEthDialog", "LWidth", 160);
  ini.WriteBool("ScanRSDialog", "Нечетный", true);
  TRegistryIniFile other("software\\NORDWICK\\mirel\\1.0\\", RegistryAccess::Write, Store());
  EXPECT_EQ(other.ReadInteger("scanethdialog", "lwidth", 0), 160);
  EXPECT_TRUE(other.ReadBool("SCANRSDIALOG", "НЕЧЕТНЫЙ", false));
  other.WriteInteger("SCANETHDIALOG", "LWIDTH", 200);  // replaces, keeps the first spelling
  EXPECT_EQ(ini.ReadSection("ScanEthDialog"), std::vector<std::string>{"LWidth"});
  EXPECT_EQ(ini.ReadInteger("ScanEthDialog", "LWidth", 0), 200);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"ScanEthDialog", "ScanRSDialog"}));
}

TEST_F(RegistryTest, ErasingAndDeleting)
{
  TRegistryIniFile ini(kKey, RegistryAccess::Write, Store());
  ini.WriteInteger("Form\\Screen800x600", "Left", 1);
  ini.WriteInteger("Form", "Top", 2);
  ini.WriteInteger("Form", "Left", 3);
  ini.DeleteKey("Form", "Top");
  EXPECT_FALSE(ini.ValueExists("Form", "Top"));
  EXPECT_TRUE(ini.ValueExists("Form", "Left"));
  ini.EraseSection("Form");
  EXPECT_FALSE(ini.SectionExists("Form"));
  EXPECT_FALSE(ini.SectionExists("Form\\Screen800x600"));
}

TEST_F(RegistryTest, TwoStoresInOneFolderKeepEachOthersChanges)
{
  TRegIniFile first(kKey, RegistryAccess::Write, Store());
  TRegIniFile second(kKey, RegistryAccess::Write, Store());
  first.WriteString("MB", "a", "1");
  second.WriteString("MB", "b", "2");
  first.WriteString("MB", "c", "3");
  EXPECT_EQ(second.ReadSection("MB"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(RegistryTest, AKeyOpenedForReadingRefusesWrites)
{
  TRegIniFile ini(kKey, RegistryAccess::Read, Store());
  EXPECT_THROW(ini.WriteString("MB", "if", "1"), ERegistryException);
  EXPECT_THROW(ini.EraseSection("MB"), ERegistryException);
  EXPECT_FALSE(std::filesystem::exists(dir / "registry.txt"));
}

TEST_F(RegistryTest, AStoreThatCannotBeReadRaises)
{
  struct Case {
    const char* name;
    std::string text;  // empty: a folder in the file's place
  };
  const Case cases[] = {
      {"a folder in its place", ""},
      {"a value before any key", "\"if\"=\"1\"\n"},
      {"an unterminated text", "[A]\n\"if\"=\"1\n"},
      {"a bad number", "[A]\n\"if\"=dword:12345678\n\"x\"=dword:xyz\n"},
      {"an open bracket", "[A\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir / "registry.txt");
    if (c.text.empty()) std::filesystem::create_directory(dir / "registry.txt");
    else WriteFileBytes(dir / "registry.txt", c.text);
    TRegIniFile ini("A", RegistryAccess::Write, Store());
    EXPECT_THROW(ini.ReadString("", "if", ""), ERegistryException);
    // A damaged store is not overwritten either: it may hold what someone wants back.
    EXPECT_THROW(ini.WriteString("", "if", "2"), ERegistryException);
    if (!c.text.empty()) {
      EXPECT_EQ(StoreText(), c.text);
    }
  }
}

TEST_F(RegistryTest, TheDamagedLineIsNamed)
{
  WriteFileBytes(dir / "registry.txt", "; heading\n[A]\n\"ok\"=\"1\"\r\nbad\n");
  try {
    Store().KeyExists("A");
    FAIL() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Settings store: \"" + (dir / "registry.txt") + "\" is damaged at line 4");
  }
}

TEST_F(RegistryTest, AFailedWriteLeavesTheOldStoreAndNoTemporaryFile)
{
  const std::string path = dir / "registry.txt";
  struct Case {
    SysCallId call;
    int error;
    std::string message;
  };
  const Case cases[] = {
      {SysCallId::Mkdir, EACCES, ""},  // the first folder above: the system's temporary folder
      {SysCallId::Open, EACCES, "Settings store: cannot open \"" + (dir / "registry.lock") + "\". Permission denied"},
      {SysCallId::Flock, ENOLCK, "Settings store: cannot lock \"" + (dir / "registry.lock") + "\". No locks available"},
      {SysCallId::Read, EIO, "Settings store: cannot read \"" + path + "\". Input/output error"},
      {SysCallId::Write, ENOSPC, "Settings store: cannot write \"" + path + "\". No space left on device"},
      {SysCallId::Fsync, ENOSPC, "Settings store: cannot write \"" + path + "\". No space left on device"},
      {SysCallId::Close, EIO, "Settings store: cannot write \"" + path + "\". Input/output error"},
      {SysCallId::Rename, EIO, "Settings store: cannot write \"" + path + "\". Input/output error"},
  };
  Store().WriteValue("A", "v", RegistryValue::String("old"));
  std::string before = StoreText();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    InjectSysFault(c.call, c.error);
    try {
      Store().WriteValue("A", "v", RegistryValue::String("new"));
      ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
      if (!c.message.empty()) {
        EXPECT_EQ(e.Message(), c.message);
      }
    }
    ClearSysFaults();
    EXPECT_EQ(StoreText(), before);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"registry.lock", "registry.txt"}));
  }
}

TEST_F(RegistryTest, ReadFailuresRaise)
{
  Store().WriteValue("A", "v", RegistryValue::Dword(1));
  for (auto call : {SysCallId::Open, SysCallId::Read}) {
    InjectSysFault(call, EIO);
    EXPECT_THROW(Store().ReadValue("A", "v"), ERegistryException);
  }
}

TEST_F(RegistryTest, TheFolderIsCreatedOnTheFirstWrite)
{
  std::string folder = dir / "deep/er/kestrel";
  Registry(folder).WriteValue(kKey, "x", RegistryValue::String("y"));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/registry.txt"));
  InjectSysFault(SysCallId::Mkdir, EACCES);
  EXPECT_THROW(Registry(dir / "other").WriteValue(kKey, "x", RegistryValue::String("y")), ERegistryException);
}

TEST(RegistryFolder, ChosenFromTheEnvironment)
{
  struct Case {
    const char* own;
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/srv/cfg", "/x", "/h", "/srv/cfg"},
      {nullptr, "/x", "/h", "/x/kestrel"},
      {"", "/x", "/h", "/x/kestrel"},
      {nullptr, "relative", "/h", "/h/.config/kestrel"},  // the XDG rules ignore a relative folder
      {nullptr, nullptr, "/h", "/h/.config/kestrel"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    ScopedEnv own("KESTREL_CONFIG_HOME", c.own), xdg("XDG_CONFIG_HOME", c.xdg), home("HOME", c.home);
    EXPECT_EQ(Registry::DefaultFolder(), c.expected);
    EXPECT_EQ(Registry().Folder(), c.expected);
  }
}

TEST_F(RegistryTest, AStoreFromTheBuildBeforeReadsAndIsWrittenTheSame)
{
  WriteFileBytes(dir / "registry.txt", kStoreBefore);
  TRegIniFile mb(kKey, RegistryAccess::Read, Store());
  EXPECT_EQ(mb.ReadInteger("MB", "rtu_baudrate", 0), 115200);
  EXPECT_EQ(mb.ReadString("MB", "rtu_device", ""), "/dev/ttyUSB0");
  EXPECT_EQ(mb.ReadString("MBSetup", "EthAddressMRU", ""), "mbtcp://10.0.0.5,\"Пульт\" \\ 2\nline\t\x01\x7f");
  TRegistryIniFile scan(kKey, RegistryAccess::Read, Store());
  EXPECT_EQ(scan.ReadInteger("ScanEthDialog\\Screen1920x1080", "Left", 0), -8);
  EXPECT_TRUE(scan.ReadBool("ScanRSDialog", "нечетный", false));
  EXPECT_EQ(Store().ReadValue("SOFTWARE\\Nordwick\\Kestrel\\1.0", "число"), RegistryValue::Dword(0xDEADBEEF));
  EXPECT_EQ(Store().SubKeyNames("SOFTWARE\\Nordwick"), (std::vector<std::string>{"Kestrel", "Mirel", "Пусто"}));

  // The same calls give the same bytes, one write a value or all in one.
  for (bool batched : {false, true}) {
    SCOPED_TRACE(batched ? "one batch" : "one write a value");
    TempDir other;
    Registry store(other.path().string());
    {
      std::optional<RegistryBatch> batch;
      if (batched) batch.emplace(store);
      WriteTheStoreBefore(store);
      if (batch) batch->Commit();
    }
    EXPECT_EQ(ReadFileBytes(other / "registry.txt"), kStoreBefore);
  }
}

TEST_F(RegistryTest, ABatchWritesItsChangesInOneWriteAtCommit)
{
  Registry store = Store();
  store.WriteValue(kKey, "kept", RegistryValue::String("1"));
  store.WriteValue(std::string(kKey) + "\\Placement", "Left", RegistryValue::String("12"));
  store.WriteValue(std::string(kKey) + "\\Gone", "x", RegistryValue::String("1"));
  const std::string before = StoreText();
  {
    RegistryBatch batch(store);
    TRegIniFile text(kKey, RegistryAccess::Write, store);
    TRegistryIniFile number(kKey, RegistryAccess::Write, store);
    for (int i = 0; i < 10; ++i) text.WriteInteger("MB", "v" + std::to_string(i), i);
    number.WriteInteger("Placement", "Left", 40);  // stays text: the batch reads what it holds
    number.WriteInteger("Placement", "Width", 653);
    EXPECT_TRUE(store.DeleteKey(std::string(kKey) + "\\Gone"));
    EXPECT_FALSE(store.DeleteValue(kKey, "never there"));
    EXPECT_EQ(text.ReadInteger("MB", "v9", 0), 9) << "the batch's reads see its changes";
    EXPECT_FALSE(text.SectionExists("Gone"));
    EXPECT_EQ(StoreText(), before) << "nothing reaches the file before the commit";
    InjectSysFault(SysCallId::Rename, EIO, 1, 1);  // a second write of the file would fail
    batch.Commit();
    ClearSysFaults();
  }
  TRegIniFile ini(kKey, RegistryAccess::Read, store);
  EXPECT_EQ(ini.ReadSection("MB").size(), 10u);
  EXPECT_EQ(ini.ReadInteger("MB", "v7", 0), 7);
  EXPECT_EQ(store.ReadValue(std::string(kKey) + "\\Placement", "Left"), RegistryValue::String("40"));
  EXPECT_EQ(store.ReadValue(std::string(kKey) + "\\Placement", "Width"), RegistryValue::Dword(653));
  EXPECT_EQ(ini.ReadString("", "kept", ""), "1");
  EXPECT_FALSE(ini.SectionExists("Gone"));
}

TEST_F(RegistryTest, ABatchNotCommittedWritesNothingAndAnInnerOneJoinsTheOuter)
{
  Store().WriteValue(kKey, "v", RegistryValue::String("old"));
  const std::string before = StoreText();
  {
    RegistryBatch outer(Store());
    {
      RegistryBatch inner(Store());
      Store().WriteValue(kKey, "v", RegistryValue::String("new"));
      inner.Commit();
    }
    EXPECT_EQ(StoreText(), before) << "the outer batch writes";
    EXPECT_EQ(Store().ReadValue(kKey, "v"), RegistryValue::String("new"));
    TempDir elsewhere;
    Registry(elsewhere.path().string()).WriteValue(kKey, "v", RegistryValue::String("direct"));
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "registry.txt")) << "another folder is not in the batch";
  }
  EXPECT_EQ(StoreText(), before);
  EXPECT_EQ(Store().ReadValue(kKey, "v"), RegistryValue::String("old"));
}

TEST_F(RegistryTest, ABatchKeepsWhatAnotherThreadWroteMeanwhile)
{
  Store().WriteValue(kKey, "shared", RegistryValue::String("before"));
  RegistryBatch batch(Store());
  Store().WriteValue(kKey, "mine", RegistryValue::String("1"));
  EXPECT_EQ(Store().ReadValue(kKey, "shared"), RegistryValue::String("before"));
  // Another thread stands for another program: outside this thread's batch.
  std::thread([&] {
    Store().WriteValue(kKey, "theirs", RegistryValue::String("2"));
    Store().WriteValue(kKey, "shared", RegistryValue::String("theirs"));
  }).join();
  batch.Commit();
  const std::string text = StoreText();
  EXPECT_NE(text.find("\"mine\"=\"1\""), std::string::npos);
  EXPECT_NE(text.find("\"theirs\"=\"2\""), std::string::npos);
  EXPECT_NE(text.find("\"shared\"=\"theirs\""), std::string::npos) << "the batch did not write it";
}

// Two programs saving their settings at once, each in one batch: every value of both
// is in the store afterwards.
TEST_F(RegistryTest, TwoThreadsSavingAtOnceLoseNoValue)
{
  constexpr int kRounds = 40, kValues = 6;
  auto save = [&](const std::string& section) {
    for (int round = 0; round < kRounds; ++round) {
      RegistryBatch batch(Store());
      TRegIniFile ini(kKey, RegistryAccess::Write, Store());
      for (int v = 0; v < kValues; ++v) ini.WriteInteger(section, "v" + std::to_string(v), round * kValues + v);
      batch.Commit();
    }
  };
  std::thread first(save, "First"), second(save, "Second");
  first.join();
  second.join();
  TRegIniFile ini(kKey, RegistryAccess::Read, Store());
  for (const char* section : {"First", "Second"}) {
    SCOPED_TRACE(section);
    ASSERT_EQ(ini.ReadSection(section).size(), std::size_t(kValues));
    for (int v = 0; v < kValues; ++v) EXPECT_EQ(ini.ReadInteger(section, "v" + std::to_string(v), -1), (kRounds - 1) * kValues + v);
  }
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"registry.lock", "registry.txt"}));
}

TEST_F(RegistryTest, ANewStoreIsTheOwnersAndAnOldOneKeepsItsPermissions)
{
  Store().WriteValue(kKey, "v", RegistryValue::String("1"));
  EXPECT_EQ(std::filesystem::status(dir / "registry.txt").permissions(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::filesystem::permissions(dir / "registry.txt", std::filesystem::perms::group_read, std::filesystem::perm_options::add);
  Store().WriteValue(kKey, "v", RegistryValue::String("2"));
  EXPECT_EQ(std::filesystem::status(dir / "registry.txt").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
}

TEST(RegistryDocument, ParsesAndWritesWithoutAFile)
{
  RegistryDocument document = RegistryDocument::Parse(kStoreBefore, "before.txt");
  EXPECT_EQ(document.Serialize(), kStoreBefore);
  document.WriteValue("SOFTWARE\\Nordwick\\Mirel\\1.0\\MB", "IF", RegistryValue::String("0"));
  EXPECT_NE(document.Serialize().find("\n\"if\"=\"0\"\n"), std::string::npos) << "the first spelling stays";
  EXPECT_TRUE(document.DeleteKey("software\\NORDWICK\\mirel"));
  EXPECT_EQ(document.SubKeyNames("SOFTWARE\\Nordwick"), (std::vector<std::string>{"Kestrel", "Пусто"}));
  try {
    RegistryDocument::Parse("[A]\n\"x\"=\"1\"\n\n\"y\"=dword:\n", "/home/u/registry.txt");
    ADD_FAILURE() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Settings store: \"/home/u/registry.txt\" is damaged at line 4");
  }
}
