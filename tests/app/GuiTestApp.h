#pragma once

// Helpers of the GUI tests: the shared application object, waiting on the event loop
// and acting on a modal window once it is shown.

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

// The application object of the test binary, created by the first test that needs one
// (every test runs on the main thread, which therefore is the GUI thread). It is kept
// to the end of the process.
inline QApplication& GuiTestApp()
{
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Serves the GUI thread's events until done() holds or the deadline passes; gives done().
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds deadline = std::chrono::seconds(30))
{
  GuiTestApp();
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

// Once a modal window of type T is shown, runs action on it (from the modal loop).
template <class T>
void WhenModal(std::function<void(T&)> action)
{
  auto* timer = new QTimer(&GuiTestApp());
  timer->setInterval(5);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, action, end] {
    auto* window = dynamic_cast<T*>(QApplication::activeModalWidget());
    const bool late = std::chrono::steady_clock::now() >= end;
    if (!late && !(window && window->isVisible())) return;
    timer->stop();
    timer->deleteLater();
    if (window) action(*window);
  });
  timer->start();
}

inline void PressKey(QWidget& widget, int key, const QString& text = QString())
{
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(&widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(&widget, &release);
}
