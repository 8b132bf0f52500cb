#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Format.h"

// A reusable worker: it sleeps until StartJob, runs DoJob once, reports the run's end
// through OnDone and sleeps again, so one thread can serve several runs (a retry). Text
// lines and the end of a run reach the GUI thread through synchronous calls; the GUI
// thread cancels through an interlocked flag that the job polls.
//
// The owner sets OnDone and OnMessage before the first StartJob and destroys the thread
// on the GUI thread, when no run is going or after Cancel. A subclass whose DoJob uses
// its own members calls Stop() first thing in its destructor, so that no run outlives
// them.
class TWorkThread {
public:
  using TDoneEvent = std::function<void(TWorkThread* sender, bool cancelled)>;
  using TMessageEvent = std::function<void(TWorkThread* sender, const std::string& text)>;

  TWorkThread();
  virtual ~TWorkThread();
  TWorkThread(const TWorkThread&) = delete;
  TWorkThread& operator=(const TWorkThread&) = delete;

  // GUI thread: clears the cancel flag and starts one run.
  void StartJob();
  // GUI thread: true for the first cancel of a run, false when the flag was already set.
  bool Cancel();
  // For the job: the run was cancelled or the thread is being ended.
  bool IsCancelled() const;

  // For the job: hands one line to OnMessage on the GUI thread and waits for it.
  void PostText(const std::string& text);
  template <typename... Args>
  void PostTextFmt(std::string_view format, const Args&... args)
  {
    PostText(Format(format, args...));
  }

  // Called on the GUI thread after every run; may be empty.
  TDoneEvent OnDone;
  // Called on the GUI thread for every posted line; may be empty.
  TMessageEvent OnMessage;

protected:
  // The job; runs on the worker thread.
  virtual void DoJob() = 0;

  // Tells the thread to end, wakes it and waits for it, serving its synchronous calls
  // meanwhile when called on the GUI thread. Idempotent.
  void Stop();

private:
  void Execute();
  void RunGuarded();
  void SyncDone();
  void SyncMessage();

  // RunEvent: auto-reset, not set at first.
  std::mutex runMutex_;
  std::condition_variable runChanged_;
  bool runEvent_ = false;

  // Written by the worker just before a synchronous call, read by the GUI thread inside it.
  std::string Text;
  std::atomic<std::int32_t> CancelFlag{0};
  std::atomic<bool> terminated_{false};

  std::atomic<bool> ended_{false};

  // Last, so that it starts when every field above exists.
  std::thread thread_;
};
