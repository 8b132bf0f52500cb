#pragma once

// The upload job as the tests run it: against the simulated recorder, with no window and
// no application object. The job reports to a progress of the test's own, and with no
// GUI thread bound its synchronous calls (log lines, prompts, the end of each run) run on
// its worker. The test's thread waits for the end and cancels as the progress window
// would.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/JobProgress.h"
#include "app/core/UpgradeJob.h"
#include "platform/Stream.h"
#include "support/ModbusTestUtil.h"
#include "support/RecorderRoad.h"

// What the job reported to its progress.
class ProgressLog : public JobProgress {
public:
  void Reset() override
  {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }
  void SetProgress(std::uint32_t position, std::uint32_t) override
  {
    {
      std::lock_guard lock(mutex_);
      lastPosition_ = position;
    }
    changed_.notify_all();
  }
  void AddLog(const std::string& text) override
  {
    {
      std::lock_guard lock(mutex_);
      lines_.push_back(text);
    }
    if (onLine) onLine(text);
  }
  void Finish(JobEnd end) override
  {
    {
      std::lock_guard lock(mutex_);
      ends_.push_back(end);
    }
    changed_.notify_all();
  }
  void BeforeRetryBox() override {}
  void CancelCameTooLate() override
  {
    std::lock_guard lock(mutex_);
    ++lateCancels_;
  }

  // False when the deadline passed first.
  bool WaitForEnd() { return WaitFor([this] { return !ends_.empty(); }); }
  bool WaitForBytesSent() { return WaitFor([this] { return lastPosition_ > 0; }); }

  // The lines since the last reset, joined with "\n".
  std::string Log() const
  {
    std::lock_guard lock(mutex_);
    std::string log;
    for (const auto& line : lines_) log += (log.empty() ? "" : "\n") + line;
    return log;
  }
  std::vector<JobEnd> Ends() const
  {
    std::lock_guard lock(mutex_);
    return ends_;
  }
  // Cancels that came when the run had already ended.
  int LateCancels() const
  {
    std::lock_guard lock(mutex_);
    return lateCancels_;
  }

  // Called for every line, on the thread that logs it (here the worker's).
  std::function<void(const std::string& line)> onLine;

private:
  bool WaitFor(const std::function<bool()>& done)
  {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), done);
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  std::uint32_t lastPosition_ = 0;
  std::vector<JobEnd> ends_;
  int lateCancels_ = 0;
};

// An upload of one image as the workflow starts it.
struct Job {
  explicit Job(RecorderRoad& road) : road(road) {}
  // Starts the run and waits for its first end; whileRunning acts meanwhile on the test's
  // thread. The thread goes, its run ended, before this returns. True when it installed.
  bool Run(TStream& image, const std::function<void()>& whileRunning = {})
  {
    TRegUpgradeThread thread(*road.transport, &progress, prompts, beeps.Event());
    running = &thread;
    progress.Reset();
    thread.StartUpgrade(road.unit, image);
    if (whileRunning) whileRunning();
    EXPECT_TRUE(progress.WaitForEnd()) << "the job never ended";
    const auto ends = progress.Ends();
    return !ends.empty() && ends.front() == JobEnd::Succeeded;
  }
  bool Run(const std::vector<std::uint8_t>& bytes, const std::function<void()>& whileRunning = {})
  {
    TMemoryStream image;
    FillStream(image, bytes);
    return Run(image, whileRunning);
  }
  // The user's cancel, as the progress window's button gives it.
  void Cancel() { running->CancelRun(); }

  std::vector<AskedPrompt> Boxes() const { return AskedOfKind(prompts, PromptKind::MessageBox); }
  bool AskedTask() const
  {
    const auto kinds = AskedKinds(prompts);
    return std::find(kinds.begin(), kinds.end(), PromptKind::TaskDialog) != kinds.end();
  }

  RecorderRoad& road;
  ScriptedPrompts prompts;
  BeepLog beeps;
  ProgressLog progress;
  TRegUpgradeThread* running = nullptr;
};

inline std::size_t Count(const std::string& text, const std::string& part)
{
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}
