#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/Registry.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

const char kKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";

// Fails one kind of system call with an error number; the others go to the system.
class FaultyIo : public RegistryIo {
public:
  enum class Call { None, Open, Read, Write, Fsync, Close, Rename, Mkdir, Mkstemp, Flock };

  Call fail = Call::None;

  int Open(const char* path, int flags, unsigned mode) override
  {
    return Fails(Call::Open) ? -1 : RegistryIo::Open(path, flags, mode);
  }
  long Read(int fd, void* buffer, std::size_t count) override
  {
    return Fails(Call::Read) ? -1 : RegistryIo::Read(fd, buffer, count);
  }
  long Write(int fd, const void* buffer, std::size_t count) override
  {
    return Fails(Call::Write) ? -1 : RegistryIo::Write(fd, buffer, count);
  }
  int Fsync(int fd) override { return Fails(Call::Fsync) ? -1 : RegistryIo::Fsync(fd); }
  int Close(int fd) override
  {
    int result = RegistryIo::Close(fd);  // the descriptor is gone either way
    return Fails(Call::Close) ? -1 : result;
  }
  int Rename(const char* from, const char* to) override
  {
    return Fails(Call::Rename) ? -1 : RegistryIo::Rename(from, to);
  }
  int Mkdir(const char* path, unsigned mode) override { return Fails(Call::Mkdir) ? -1 : RegistryIo::Mkdir(path, mode); }
  int Mkstemp(char* pathTemplate) override { return Fails(Call::Mkstemp) ? -1 : RegistryIo::Mkstemp(pathTemplate); }
  int Flock(int fd, int operation) override { return Fails(Call::Flock) ? -1 : RegistryIo::Flock(fd, operation); }

private:
  bool Fails(Call call)
  {
    if (call != fail) return false;
    errno = EIO;
    return true;
  }
};

class RegistryTest : public ::testing::Test {
protected:
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
  const FaultyIo::Call calls[] = {FaultyIo::Call::Mkstemp, FaultyIo::Call::Write, FaultyIo::Call::Fsync,
                                  FaultyIo::Call::Close,   FaultyIo::Call::Rename, FaultyIo::Call::Flock,
                                  FaultyIo::Call::Open,    FaultyIo::Call::Read};
  Store().WriteValue("A", "v", RegistryValue::String("old"));
  std::string before = StoreText();
  for (auto call : calls) {
    SCOPED_TRACE(static_cast<int>(call));
    FaultyIo io;
    io.fail = call;
    Registry store(dir.path().string(), io);
    EXPECT_THROW(store.WriteValue("A", "v", RegistryValue::String("new")), ERegistryException);
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
  for (auto call : {FaultyIo::Call::Open, FaultyIo::Call::Read}) {
    FaultyIo io;
    io.fail = call;
    EXPECT_THROW(Registry(dir.path().string(), io).ReadValue("A", "v"), ERegistryException);
  }
}

TEST_F(RegistryTest, TheFolderIsCreatedOnTheFirstWrite)
{
  std::string folder = dir / "deep/er/kestrel";
  Registry(folder).WriteValue(kKey, "x", RegistryValue::String("y"));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/registry.txt"));
  FaultyIo io;
  io.fail = FaultyIo::Call::Mkdir;
  EXPECT_THROW(Registry(dir / "other", io).WriteValue(kKey, "x", RegistryValue::String("y")), ERegistryException);
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
