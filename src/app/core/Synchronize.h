#pragma once

#include <functional>

// The thread that runs the windows, as the logic sees it. The windows bind their event
// loop (QtGuiThread) for as long as their application object lives; with none bound
// there is no other thread to carry a call to, and every call runs on its caller.
class GuiThread {
public:
  virtual ~GuiThread() = default;
  // True on the thread that runs the windows.
  virtual bool IsCurrent() const = 0;
  // Any thread: asks that thread's event loop to call RunSynchronizeCalls soon, on that
  // thread; false when the loop cannot be reached.
  virtual bool Wake() = 0;
};

// Binds the GUI thread, or with null unbinds it. The bound object must outlive every
// call below; bind it before any worker starts and unbind it after the last has ended.
void BindGuiThread(GuiThread* thread);

// Runs fn on the GUI thread and waits for it to return; on the GUI thread itself (or
// when none is bound) fn runs directly. An exception that fn raises is carried back and
// raised again in the caller, so the GUI thread's event loop never sees it. The GUI
// thread must keep serving its events meanwhile (a modal loop does), or wait in
// ServeSynchronizeCallsUntil.
void Synchronize(const std::function<void()>& fn);

// True on the bound GUI thread (or when none is bound).
bool IsGuiThread();

// GUI thread: runs the calls that workers have queued (what a GuiThread's wake-up does).
void RunSynchronizeCalls();

// GUI thread: runs the synchronous calls of workers, and nothing else, until done()
// holds: for the GUI thread while it waits for a worker that may still call it. The
// worker that makes done() true calls WakeSynchronizeWaiters afterwards.
void ServeSynchronizeCallsUntil(const std::function<bool()>& done);
void WakeSynchronizeWaiters();
