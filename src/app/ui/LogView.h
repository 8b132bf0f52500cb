#pragma once

#include <QPlainTextEdit>

// A read-only log. Its lines wrap at its width, so a long line is never cut off at the
// window's edge (and no horizontal scroll bar is needed), and its size hint holds a number of lines of so many characters in its
// own font, so the window around it can open large enough to show them without
// scrolling.
class LogView : public QPlainTextEdit {
public:
  LogView(int shownLines, int shownColumns, QWidget* parent = nullptr);

  QSize sizeHint() const override;

private:
  int shownLines_;
  int shownColumns_;
};
