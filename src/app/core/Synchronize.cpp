#include "app/core/Synchronize.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include "platform/Exception.h"

namespace {

// A call waiting for the GUI thread. The calls travel through this queue under a
// standard mutex rather than inside the event loop's own events: the hand-off is then
// plain to a race detector (Qt's own locks are not instrumented), and the GUI thread can
// serve the calls while it waits for a worker without dispatching any other event. The
// loop's posted call only wakes the GUI thread.
struct PendingCall {
  const std::function<void()>* fn = nullptr;
  std::exception_ptr error;
  bool done = false;
};

std::mutex queueMutex;
std::condition_variable queueChanged;  // a call was queued or finished, or a waiter woken
std::deque<PendingCall*> queue;

std::atomic<GuiThread*> guiThread{nullptr};

}  // namespace

void RunSynchronizeCalls()
{
  for (;;) {
    PendingCall* call;
    {
      std::lock_guard lock(queueMutex);
      if (queue.empty()) return;
      call = queue.front();
      queue.pop_front();
    }
    try {
      (*call->fn)();
    } catch (...) {
      call->error = std::current_exception();
    }
    {
      std::lock_guard lock(queueMutex);
      call->done = true;
    }
    queueChanged.notify_all();
  }
}

void BindGuiThread(GuiThread* thread) { guiThread.store(thread); }

bool IsGuiThread()
{
  GuiThread* gui = guiThread.load();
  return !gui || gui->IsCurrent();
}

void Synchronize(const std::function<void()>& fn)
{
  GuiThread* gui = guiThread.load();
  if (!gui || gui->IsCurrent()) {
    fn();
    return;
  }
  PendingCall call;
  call.fn = &fn;
  {
    std::lock_guard lock(queueMutex);
    queue.push_back(&call);
  }
  queueChanged.notify_all();
  const bool posted = gui->Wake();
  std::unique_lock lock(queueMutex);
  if (!posted) {
    const auto it = std::find(queue.begin(), queue.end(), &call);
    if (it != queue.end()) {
      queue.erase(it);
      throw Exception("Synchronize: the GUI thread cannot be reached");
    }
    // Another worker's wake-up has taken it already.
  }
  queueChanged.wait(lock, [&call] { return call.done; });
  lock.unlock();
  if (call.error) std::rethrow_exception(call.error);
}

void ServeSynchronizeCallsUntil(const std::function<bool()>& done)
{
  for (;;) {
    RunSynchronizeCalls();
    std::unique_lock lock(queueMutex);
    if (done()) return;
    queueChanged.wait(lock, [&done] { return !queue.empty() || done(); });
    if (queue.empty()) return;
  }
}

void WakeSynchronizeWaiters()
{
  {
    // Passing through the mutex orders the waker's change before the waiter's test.
    std::lock_guard lock(queueMutex);
  }
  queueChanged.notify_all();
}
