#include "support/QtTestApp.h"

#include <QApplication>

QApplication& TestApp()
{
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  // ctest sets it; a test binary started by hand must not need a display either.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  // Left alive on purpose: destroying it at static destruction races Qt's own clean-up.
  return *new QApplication(argc, argv);
}
