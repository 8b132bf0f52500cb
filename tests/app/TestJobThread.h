#pragma once

#include <QThread>

#include <functional>
#include <string>
#include <vector>

#include "GuiDriving.h"
#include "app/core/WorkThread.h"

// A worker whose job the test gives; the job may be replaced between runs.
class TestJobThread : public TWorkThread {
public:
  explicit TestJobThread(std::function<void(TestJobThread&)> job = {}) : job(std::move(job)) {}
  ~TestJobThread() override { Stop(); }

  std::function<void(TestJobThread&)> job;

protected:
  void DoJob() override
  {
    if (job) job(*this);
  }
};

// What a worker reported to the GUI thread, and whether every report came there.
struct WorkerReports {
  std::vector<std::string> lines;
  std::vector<bool> done;  // the cancelled flag of each OnDone
  bool allOnGuiThread = true;
  std::function<void(const std::string&)> onLine;  // runs inside OnMessage

  void Attach(TWorkThread& thread)
  {
    thread.OnMessage = [this](TWorkThread*, const std::string& text) {
      Note();
      lines.push_back(text);
      if (onLine) onLine(text);
    };
    thread.OnDone = [this](TWorkThread*, bool cancelled) {
      Note();
      done.push_back(cancelled);
    };
  }
  bool WaitRuns(std::size_t runs)
  {
    return WaitUntil([&] { return done.size() >= runs; });
  }

private:
  void Note() { allOnGuiThread = allOnGuiThread && QThread::currentThread() == TestApp().thread(); }
};
