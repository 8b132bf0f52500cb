#pragma once

// The test's own thread as the GUI thread of Synchronize, for the core's tests that have
// no window system: a worker's synchronous calls wait until the test serves them, as
// they wait for the event loop in the program.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "app/core/Synchronize.h"

class TestGuiThread final : public GuiThread {
public:
  TestGuiThread() : id_(std::this_thread::get_id()) { BindGuiThread(this); }
  ~TestGuiThread() override { BindGuiThread(nullptr); }
  TestGuiThread(const TestGuiThread&) = delete;
  TestGuiThread& operator=(const TestGuiThread&) = delete;

  bool IsCurrent() const override { return std::this_thread::get_id() == id_; }
  // The calls are served in Serve: nothing to wake.
  bool Wake() override { return true; }

  // Runs the workers' synchronous calls until done() holds; false when the deadline came
  // first.
  static bool Serve(const std::function<bool()>& done, std::chrono::milliseconds deadline = std::chrono::seconds(30))
  {
    const auto end = std::chrono::steady_clock::now() + deadline;
    std::mutex mutex;
    std::condition_variable finished;
    bool over = false;
    // Wakes the wait now and then, so that the deadline is seen without a worker's call.
    std::thread ticker([&] {
      std::unique_lock lock(mutex);
      while (!finished.wait_for(lock, std::chrono::milliseconds(20), [&] { return over; })) WakeSynchronizeWaiters();
    });
    ServeSynchronizeCallsUntil([&] { return done() || std::chrono::steady_clock::now() >= end; });
    {
      std::lock_guard lock(mutex);
      over = true;
    }
    finished.notify_all();
    ticker.join();
    return done();
  }

private:
  std::thread::id id_;
};
