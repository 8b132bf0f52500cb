#include "support/QtTestApp.h"

#include <QApplication>

#include "app/ui/QtGuiThread.h"

QApplication& TestApp()
{
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  // ctest sets it; a test binary started by hand must not need a display either.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  // Left alive on purpose: destroying it at static destruction races Qt's own clean-up.
  auto* app = new QApplication(argc, argv);
  // Bound for as long: the workers' synchronous calls go to its thread, as in the program.
  new QtGuiThread;
  return *app;
}
