#include "app/ui/LogView.h"

#include <QFontMetricsF>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>

#include <cmath>

LogView::LogView(int shownLines, int shownColumns, QWidget* parent)
    : QPlainTextEdit(parent), shownLines_(shownLines), shownColumns_(shownColumns)
{
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QSize LogView::sizeHint() const
{
  const QFontMetricsF metrics(font());
  const int margin = static_cast<int>(std::ceil(2 * document()->documentMargin()));
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  // A font's average character is narrower than the letters of a Russian text.
  const int width = static_cast<int>(std::ceil(shownColumns_ * metrics.horizontalAdvance(QLatin1Char('o')))) + margin +
                    scrollBar;
  // The text lays its lines out a whole pixel apart, and the view counts a line as shown
  // only when it ends a pixel clear of the bottom margin.
  const int line = static_cast<int>(std::ceil(metrics.lineSpacing()));
  const int height = shownLines_ * line + margin + 1;
  return QSize(width, height) + QSize(2 * frameWidth(), 2 * frameWidth());
}
