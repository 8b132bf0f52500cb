#include <gtest/gtest.h>

#include "SetupDialogFixture.h"
#include "app/ui/PortWatcher.h"

TEST(PortWatcher, NoticesPortsThatComeAndGo)
{
  TestApp();
  TempDir dir;
  FakePorts ports(dir.path());
  ports.Plug("ttyUSB0");
  PortWatcher watcher(ports.Source());
  int changes = 0;
  QObject::connect(&watcher, &PortWatcher::PortsChanged, &watcher, [&changes] { ++changes; });
  EXPECT_EQ(watcher.Refresh(), std::vector<std::string>{ports.Path("ttyUSB0")});
  watcher.Start();
  EXPECT_TRUE(watcher.IsWatching());
  EXPECT_TRUE(watcher.IsNotified());

  // An adapter with several ports brings them at once.
  ports.Plug("ttyUSB1");
  ports.Plug("ttyUSB2");
  ASSERT_TRUE(WaitUntil([&] { return watcher.Ports().size() == 3; }));
  EXPECT_GE(changes, 1);

  ports.Unplug("ttyUSB0");
  ASSERT_TRUE(WaitUntil([&] { return watcher.Ports().size() == 2; }));
  EXPECT_EQ(watcher.Ports(), (std::vector<std::string>{ports.Path("ttyUSB1"), ports.Path("ttyUSB2")}));
  watcher.Stop();
  EXPECT_FALSE(watcher.IsWatching());
}

TEST(PortWatcher, PollsWhereNothingCanBeWatched)
{
  TestApp();
  TempDir dir;
  FakePorts ports(dir.path());
  PortSource source = ports.Source();
  source.watchFolder = (dir.path() / "no such folder").string();
  PortWatcher watcher(source);
  watcher.Refresh();
  watcher.Start();
  EXPECT_TRUE(watcher.IsWatching());
  EXPECT_FALSE(watcher.IsNotified());
  ports.Plug("ttyACM0");
  ASSERT_TRUE(WaitUntil([&] { return watcher.Ports().size() == 1; }));
}
