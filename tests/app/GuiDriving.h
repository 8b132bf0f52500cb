#pragma once

// Helpers of the GUI tests: waiting on the event loop, acting on a modal window once it
// is shown, and a desktop's font (TestApp() is the shared application object).

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

#include "support/QtTestApp.h"

// Serves the GUI thread's events until done() holds or the deadline passes; gives done().
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds deadline = std::chrono::seconds(30))
{
  TestApp();
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
  auto* timer = new QTimer(&TestApp());
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

// The application's font at a desktop's point size while this lives (0: the platform's
// own size), the font before it restored after. Windows made meanwhile are laid out in it.
class ScopedFontSize {
public:
  explicit ScopedFontSize(double pointSize) : before_(QApplication::font())
  {
    if (pointSize <= 0) return;
    QFont desktop = before_;
    desktop.setPointSizeF(pointSize);
    QApplication::setFont(desktop);
  }
  ~ScopedFontSize() { QApplication::setFont(before_); }
  ScopedFontSize(const ScopedFontSize&) = delete;
  ScopedFontSize& operator=(const ScopedFontSize&) = delete;

private:
  QFont before_;
};
