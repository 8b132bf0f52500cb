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
#include <memory>

#include "support/QtTestApp.h"
#include "support/WindowWalker.h"

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

// Once a modal window of type T is shown, runs action on it (from the modal loop). If
// none comes within 30 s while another modal window stands, nobody would answer that
// one: the test fails naming it, and it is closed, with any under it.
template <class T>
void WhenModal(std::function<void(T&)> action)
{
  auto* timer = new QTimer(&TestApp());
  timer->setInterval(5);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  auto failed = std::make_shared<bool>(false);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, action, end, failed] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!*failed) {
      auto* window = dynamic_cast<T*>(modal);
      if (window && window->isVisible()) {
        timer->stop();
        timer->deleteLater();
        return action(*window);
      }
      if (std::chrono::steady_clock::now() < end) return;
      if (modal) {
        *failed = true;
        FailWithOpenWindows("no awaited window came within 30 s");
      }
    }
    if (modal) return CloseTopWindow();
    timer->stop();
    timer->deleteLater();
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
