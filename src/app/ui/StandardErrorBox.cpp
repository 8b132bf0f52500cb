#include "app/ui/StandardErrorBox.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "app/core/Release.h"

bool HasInteractiveDisplay()
{
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void ShowStandardErrorBox(const std::string& message, QWidget* owner)
{
  if (!message.empty()) {
    std::fprintf(stderr, "%s: %s\n", kAppTitle, message.c_str());
    std::fflush(stderr);
  }
  if (!HasInteractiveDisplay()) return;
  QMessageBox::critical(owner, QString::fromUtf8(kAppTitle), QString::fromStdString(message));
}
