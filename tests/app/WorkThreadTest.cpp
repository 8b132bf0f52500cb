#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

#include "TestJobThread.h"
#include "app/core/Synchronize.h"
#include "platform/Exception.h"


TEST(WorkThread, RunReportsLinesThenOneDoneNotCancelled)
{
  TestApp();
  WorkerReports reports;
  TestJobThread thread([](TestJobThread& t) {
    t.PostText("first");
    t.PostTextFmt("%s %u", "second", 2u);
  });
  reports.Attach(thread);
  thread.StartJob();
  ASSERT_TRUE(reports.WaitRuns(1));
  EXPECT_EQ(reports.lines, (std::vector<std::string>{"first", "second 2"}));
  EXPECT_EQ(reports.done, std::vector<bool>{false});
  EXPECT_TRUE(reports.allOnGuiThread);
  // The end of a run leaves the flag set until the next start.
  EXPECT_FALSE(thread.Cancel());
}

TEST(WorkThread, CancelTwiceInOneRunThenTheNextRunStartsClear)
{
  TestApp();
  WorkerReports reports;
  std::vector<bool> cancels;
  std::atomic<bool> sawCancel{false};
  TestJobThread thread([&](TestJobThread& t) {
    t.PostText("started");
    sawCancel = t.IsCancelled();
  });
  reports.Attach(thread);
  reports.onLine = [&](const std::string&) {
    cancels.push_back(thread.Cancel());
    cancels.push_back(thread.Cancel());
  };
  thread.StartJob();
  ASSERT_TRUE(reports.WaitRuns(1));
  EXPECT_EQ(cancels, (std::vector<bool>{true, false}));
  EXPECT_TRUE(sawCancel);
  EXPECT_EQ(reports.done, std::vector<bool>{true});

  // The same thread runs again; StartJob clears the flag.
  reports.onLine = nullptr;
  thread.StartJob();
  ASSERT_TRUE(reports.WaitRuns(2));
  EXPECT_FALSE(sawCancel);
  EXPECT_EQ(reports.done, (std::vector<bool>{true, false}));
}

TEST(WorkThread, AnyErrorOfTheJobBecomesOneLineAndDoneStillFollows)
{
  TestApp();
  struct Case {
    const char* name;
    std::function<void()> raise;
    const char* line;
  };
  const Case cases[] = {
      {"error of our family", [] { throw Exception("нет связи"); }, "ERROR. нет связи"},
      {"standard error", [] { throw std::runtime_error("disk full"); }, "ERROR. disk full"},
      {"anything else", [] { throw 42; }, "ERROR. "},
  };
  WorkerReports reports;
  TestJobThread thread;
  reports.Attach(thread);
  std::size_t runs = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reports.lines.clear();
    thread.job = [&c](TestJobThread& t) {
      t.PostText("before");
      c.raise();
      t.PostText("never");
    };
    thread.StartJob();
    ASSERT_TRUE(reports.WaitRuns(++runs));
    EXPECT_EQ(reports.lines, (std::vector<std::string>{"before", c.line}));
    EXPECT_FALSE(reports.done.back());
  }
  // The thread went on after every error.
  reports.lines.clear();
  thread.job = [](TestJobThread& t) { t.PostText("still here"); };
  thread.StartJob();
  ASSERT_TRUE(reports.WaitRuns(++runs));
  EXPECT_EQ(reports.lines, std::vector<std::string>{"still here"});
}

TEST(WorkThread, ErrorsOfTheCallbacksAreDiscarded)
{
  TestApp();
  int messages = 0;
  int dones = 0;
  TestJobThread thread([](TestJobThread& t) {
    t.PostText("one");
    t.PostText("two");
  });
  thread.OnMessage = [&](TWorkThread*, const std::string&) {
    ++messages;
    throw Exception("log window gone");
  };
  thread.OnDone = [&](TWorkThread*, bool) {
    ++dones;
    throw std::runtime_error("owner gone");
  };
  thread.StartJob();
  ASSERT_TRUE(WaitUntil([&] { return dones == 1; }));
  thread.StartJob();
  ASSERT_TRUE(WaitUntil([&] { return dones == 2; }));
  EXPECT_EQ(messages, 4);
}

TEST(WorkThread, DestroyedWhileWaitingForAStartEndsPromptly)
{
  TestApp();
  WorkerReports reports;
  {
    TestJobThread never;
    reports.Attach(never);
  }
  {
    TestJobThread once([](TestJobThread& t) { t.PostText("ran"); });
    reports.Attach(once);
    once.StartJob();
    ASSERT_TRUE(reports.WaitRuns(1));
  }
  EXPECT_EQ(reports.done, std::vector<bool>{false});
}

TEST(WorkThread, DestroyedDuringARunServesItsCallsAndReportsItCancelled)
{
  TestApp();
  WorkerReports reports;
  auto thread = std::make_unique<TestJobThread>([](TestJobThread& t) {
    while (!t.IsCancelled()) t.PostText("tick");
    t.PostText("stopped");
  });
  reports.Attach(*thread);
  thread->StartJob();
  ASSERT_TRUE(WaitUntil([&] { return !reports.lines.empty(); }));
  // The run is blocked in a synchronous call most of the time; the destruction must
  // serve it rather than wait for it forever.
  thread.reset();
  ASSERT_FALSE(reports.lines.empty());
  EXPECT_EQ(reports.lines.back(), "stopped");
  EXPECT_EQ(reports.done, std::vector<bool>{true});
  EXPECT_TRUE(reports.allOnGuiThread);
}

TEST(Synchronize, RunsOnTheGuiThreadAndCarriesErrorsBack)
{
  auto& app = TestApp();
  bool direct = false;
  Synchronize([&] { direct = true; });
  EXPECT_TRUE(direct);  // on the GUI thread: called in place

  std::atomic<bool> finished{false};
  bool ranOnGui = false;
  std::string error;
  std::thread worker([&] {
    Synchronize([&] { ranOnGui = QThread::currentThread() == app.thread(); });
    try {
      Synchronize([] { throw Exception("из GUI"); });
    } catch (const Exception& e) {
      error = e.Message();
    }
    finished = true;
  });
  const bool served = WaitUntil([&] { return finished.load(); });
  worker.join();
  ASSERT_TRUE(served);
  EXPECT_TRUE(ranOnGui);
  EXPECT_EQ(error, "из GUI");
}
