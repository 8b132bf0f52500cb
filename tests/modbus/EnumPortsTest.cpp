#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "modbus/EnumPorts.h"

namespace fs = std::filesystem;
using ModbusMaster::EnumSerialPorts;

namespace {

// A sysfs tty folder laid out by hand: real ports have a device link, legacy UART
// slots without a chip say type 0.
class FakeSysTty {
public:
  FakeSysTty()
  {
    char pattern[] = "/tmp/kestrel-tty-XXXXXX";
    root_ = mkdtemp(pattern);
  }
  ~FakeSysTty() { fs::remove_all(root_); }

  void Add(const std::string& name, bool device, int type = -1)
  {
    fs::create_directories(root_ / name);
    if (device) fs::create_directories(root_ / name / "device");
    if (type >= 0) std::ofstream(root_ / name / "type") << type << "\n";
  }
  std::string Root() const { return root_.string(); }

private:
  fs::path root_;
};

}  // namespace

TEST(EnumPorts, RealPortsSortedNaturally)
{
  FakeSysTty tty;
  tty.Add("tty0", false);
  tty.Add("console", false);
  tty.Add("ttyS0", true, 4);   // a 16550A that exists
  tty.Add("ttyS1", true, 0);   // a slot without a chip
  tty.Add("ttyS10", true, 4);
  tty.Add("ttyS2", true, 4);
  tty.Add("ttyUSB0", true);
  tty.Add("ttyACM1", true);
  std::vector<std::string> list{"kept"};
  ASSERT_TRUE(EnumSerialPorts(&list, tty.Root(), "/dev"));
  EXPECT_EQ(list, (std::vector<std::string>{"kept", "/dev/ttyACM1", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                                            "/dev/ttyUSB0"}));
}

TEST(EnumPorts, NoPortsOrNoList)
{
  FakeSysTty tty;
  tty.Add("tty1", false);
  std::vector<std::string> list;
  EXPECT_TRUE(EnumSerialPorts(&list, tty.Root(), "/dev"));
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(EnumSerialPorts(&list, tty.Root() + "/missing", "/dev"));
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(EnumSerialPorts(nullptr));
}

TEST(EnumPorts, NaturalOrder)
{
  using ModbusMaster::NaturalLess;
  EXPECT_TRUE(NaturalLess("ttyS2", "ttyS10"));
  EXPECT_FALSE(NaturalLess("ttyS10", "ttyS2"));
  EXPECT_TRUE(NaturalLess("ttyS02", "ttyS3"));
  EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
  EXPECT_FALSE(NaturalLess("ttyS1", "ttyS1"));
}
