#pragma once

#include <functional>

// Runs fn on the GUI thread and waits for it to return; on the GUI thread itself (or
// when no application object exists) fn runs directly. An exception that fn raises is
// carried back and raised again in the caller, so the GUI thread's event loop never
// sees it. The GUI thread must keep serving its events meanwhile (a modal loop does),
// or wait in ServeSynchronizeCallsUntil.
void Synchronize(const std::function<void()>& fn);

// True on the thread that owns the application object (or when there is none).
bool IsGuiThread();

// GUI thread: runs the synchronous calls of workers, and nothing else, until done()
// holds: for the GUI thread while it waits for a worker that may still call it. The
// worker that makes done() true calls WakeSynchronizeWaiters afterwards.
void ServeSynchronizeCallsUntil(const std::function<bool()>& done);
void WakeSynchronizeWaiters();
