#include "app/Synchronize.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QThread>

#include <exception>

#include "platform/Exception.h"

bool IsGuiThread()
{
  auto* app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

void Synchronize(const std::function<void()>& fn)
{
  auto* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    fn();
    return;
  }
  std::exception_ptr error;
  // The application object is the receiver, so ServeSynchronizeCalls can run exactly
  // these calls without handing the GUI thread any other event.
  const bool posted = QMetaObject::invokeMethod(
      app,
      [&fn, &error] {
        try {
          fn();
        } catch (...) {
          error = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (!posted) throw Exception("Synchronize: the GUI thread cannot be reached");
  if (error) std::rethrow_exception(error);
}

void ServeSynchronizeCalls()
{
  if (auto* app = QCoreApplication::instance(); app && IsGuiThread())
    QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
}
