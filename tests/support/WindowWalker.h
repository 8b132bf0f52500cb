#pragma once

// Tests that walk the program's windows as a user does, answering each modal window as
// it comes. A walk that goes wrong leaves a window open that nobody answers; without a
// limit of its own the test would then wait for ctest to kill it, and say nothing of
// why. Here it fails soon, naming every window left open, and closes them so that the
// program under test unwinds.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <string>

// Every visible top-level window, the modal one and a popup marked, with what tells it
// apart: a box's text, a save dialog's folder and name.
inline std::string OpenWindows()
{
  std::string open;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    if (!open.empty()) open += "; ";
    open += window->metaObject()->className();
    if (window == QApplication::activeModalWidget()) open += " (modal)";
    if (window == QApplication::activePopupWidget()) open += " (popup)";
    if (!window->windowTitle().isEmpty()) open += " \"" + window->windowTitle().toStdString() + "\"";
    if (auto* box = qobject_cast<QMessageBox*>(window)) open += ": " + box->text().toStdString();
    if (auto* files = qobject_cast<QFileDialog*>(window)) {
      open += ": in " + files->directory().absolutePath().toStdString();
      if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        open += ", name \"" + name->text().toStdString() + "\"";
    }
  }
  return open.empty() ? "no window" : open;
}

// Closes the popup, else the modal window, as Escape would. Queued: closing a window may
// ask a question first, whose loop would otherwise run inside the caller, a timer that
// then stays stopped until somebody answers it.
inline void CloseTopWindow()
{
  QWidget* top = QApplication::activePopupWidget();
  if (!top) top = QApplication::activeModalWidget();
  if (!top) return;
  QMetaObject::invokeMethod(
      top,
      [top] {
        auto* dialog = qobject_cast<QDialog*>(top);
        if (dialog && top->windowType() != Qt::Popup) dialog->reject();
        else top->close();
      },
      Qt::QueuedConnection);
}

// Fails the running test with what is open, at once in the output: the process may yet
// be killed before it ends.
inline void FailWithOpenWindows(const std::string& why)
{
  ADD_FAILURE() << why << "; open: " << OpenWindows();
  std::fflush(stdout);
}

// A user walking the modal windows: Act is called for the active modal window every few
// milliseconds. A window the walk marked as done (Done) and that is still the active one
// kStuck later, or any window open once the walk's whole time is up, fails the test;
// from then on every window is closed as it comes.
class WindowWalker : public QObject {
public:
  explicit WindowWalker(std::chrono::seconds limit = std::chrono::seconds(60))
      : deadline_(std::chrono::steady_clock::now() + limit)
  {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Tick(); });
    timer->start(10);
  }

protected:
  virtual void Act(QWidget& window) = 0;

  // What the walk does with this window is done: it must close, or give way to another.
  void Done(QWidget& window)
  {
    done_ = &window;
    doneAt_ = std::chrono::steady_clock::now();
  }

private:
  static constexpr std::chrono::seconds kStuck{10};

  void Tick()
  {
    QWidget* window = QApplication::activeModalWidget();
    if (!window || !window->isVisible()) return;
    const auto now = std::chrono::steady_clock::now();
    if (!failed_) {
      if (now > deadline_) Fail("the walk's time is up");
      else if (window == done_ && now - doneAt_ > kStuck) Fail("a window the walk answered stayed open");
    }
    if (failed_) return CloseTopWindow();
    if (window != done_) Act(*window);
  }

  void Fail(const std::string& why)
  {
    failed_ = true;
    FailWithOpenWindows(why);
  }

  const std::chrono::steady_clock::time_point deadline_;
  // Cleared when the window is deleted: a later window made at the same address is new.
  QPointer<QWidget> done_;
  std::chrono::steady_clock::time_point doneAt_;
  bool failed_ = false;
};
