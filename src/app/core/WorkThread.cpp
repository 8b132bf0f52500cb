#include "app/core/WorkThread.h"

#include <exception>

#include "app/core/Synchronize.h"
#include "platform/Exception.h"

TWorkThread::TWorkThread() : thread_([this] { Execute(); }) {}

TWorkThread::~TWorkThread()
{
  Stop();
}

void TWorkThread::StartJob()
{
  CancelFlag.exchange(0);
  {
    std::lock_guard lock(runMutex_);
    runEvent_ = true;
  }
  runChanged_.notify_one();
}

bool TWorkThread::Cancel()
{
  std::int32_t expected = 0;
  return CancelFlag.compare_exchange_strong(expected, 1);
}

bool TWorkThread::IsCancelled() const
{
  return CancelFlag.load() != 0 || terminated_.load();
}

void TWorkThread::PostText(const std::string& text)
{
  Text = text;
  Synchronize([this] { SyncMessage(); });
}

void TWorkThread::Stop()
{
  if (!thread_.joinable()) return;
  terminated_.store(true);
  {
    std::lock_guard lock(runMutex_);
    runEvent_ = true;
  }
  runChanged_.notify_one();

  // The run may be blocked in a synchronous call to this very thread: serve those
  // calls until the worker is through. Nothing else is dispatched here, so no window
  // reacts to input while its owner is being torn down.
  if (IsGuiThread()) ServeSynchronizeCallsUntil([this] { return ended_.load(); });
  thread_.join();
}

void TWorkThread::Execute()
{
  for (;;) {
    {
      std::unique_lock lock(runMutex_);
      runChanged_.wait(lock, [this] { return runEvent_; });
      runEvent_ = false;
    }
    if (terminated_.load()) break;
    RunGuarded();
    try {
      Synchronize([this] { SyncDone(); });
    } catch (...) {
    }
  }
  ended_.store(true);
  WakeSynchronizeWaiters();
}

void TWorkThread::RunGuarded()
{
  // Whatever escapes the job becomes one log line, and the run still ends with its
  // OnDone: a progress window waiting for that verdict must not wait forever, and an
  // exception leaving a thread's body would end the process.
  std::string message;
  try {
    DoJob();
    return;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
  }
  try {
    PostTextFmt("ERROR. %s", message);
  } catch (...) {
  }
}

void TWorkThread::SyncDone()
{
  if (!OnDone) return;
  std::int32_t expected = 0;
  const bool wasSet = !CancelFlag.compare_exchange_strong(expected, 1);
  // A run stopped because the thread is being ended saw IsCancelled() true, so it
  // reports itself cancelled as well.
  try {
    OnDone(this, wasSet || terminated_.load());
  } catch (...) {
  }
}

void TWorkThread::SyncMessage()
{
  if (!OnMessage) return;
  try {
    OnMessage(this, Text);
  } catch (...) {
  }
}
