#include "app/ui/SystemBeep.h"

#include <QApplication>
#include <QMetaObject>

void SystemBeep(BeepSound)
{
  if (auto* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, [] { QApplication::beep(); }, Qt::QueuedConnection);
}
