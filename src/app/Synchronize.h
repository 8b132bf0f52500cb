#pragma once

#include <functional>

// Runs fn on the GUI thread and waits for it to return; on the GUI thread itself (or
// when no application object exists) fn runs directly. An exception that fn raises is
// carried back and raised again in the caller, so the GUI thread's event loop never
// sees it. The GUI thread must keep serving its events meanwhile (a modal loop does).
void Synchronize(const std::function<void()>& fn);

// True on the thread that owns the application object (or when there is none).
bool IsGuiThread();

// Runs the synchronous calls that workers have posted and that wait for the GUI
// thread, and nothing else: for the GUI thread while it waits for a worker to end.
void ServeSynchronizeCalls();
