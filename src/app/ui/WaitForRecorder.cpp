#include "app/ui/WaitForRecorder.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>

#include <atomic>
#include <exception>
#include <thread>

namespace {

class WaitCursor {
public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

void WaitForRecorder(const std::function<void()>& call)
{
  QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher) return call();  // no event loop to keep going
  const WaitCursor cursor;
  std::exception_ptr failure;
  std::atomic<bool> done{false};
  std::thread exchange([&] {
    try {
      call();
    } catch (...) {
      failure = std::current_exception();
    }
    done.store(true, std::memory_order_release);
    dispatcher->wakeUp();
  });
  while (!done.load(std::memory_order_acquire))
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
  exchange.join();
  if (failure) std::rethrow_exception(failure);
}
