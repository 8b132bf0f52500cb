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

bool QtGuiThread::Post(void (*serve)())
{
  auto* app = QCoreApplication::instance();
  return app && QMetaObject::invokeMethod(app, [serve] { serve(); }, Qt::QueuedConnection);
}
