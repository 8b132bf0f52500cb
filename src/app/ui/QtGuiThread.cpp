#include "app/ui/QtGuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

QtGuiThread::QtGuiThread() { BindGuiThread(this); }

QtGuiThread::~QtGuiThread() { BindGuiThread(nullptr); }

bool QtGuiThread::IsCurrent() const
{
  // Without the application object there is no event loop to carry a call to.
  auto* app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

bool QtGuiThread::Wake()
{
  // The call carries nothing: what it runs travels in the core's own queue, in plain
  // view of a race detector.
  auto* app = QCoreApplication::instance();
  return app && QMetaObject::invokeMethod(app, [] { RunSynchronizeCalls(); }, Qt::QueuedConnection);
}
