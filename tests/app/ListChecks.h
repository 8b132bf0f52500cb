#pragma once

// What a list shows, judged as a user sees it: whether a cell's text fits its column,
// how much of a column is in view, and whether a selected row's text can be read on the
// selection.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QPalette>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>

// The width a cell needs to show text whole: the text and the margin the style keeps on
// either side of an item's text.
inline int CellWidthFor(const QTreeView& view, const QString& text)
{
  const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
  return view.fontMetrics().horizontalAdvance(text) + 2 * margin;
}

// How wide a column shows in the list's view, scrolled as it is now.
inline int ShownWidth(const QTreeView& view, int column)
{
  const QHeaderView* head = view.header();
  const QRect section(head->sectionViewportPosition(column), 0, head->sectionSize(column), 1);
  return (section & view.viewport()->rect()).width();
}

// Two colours apart as the eye tells them: the largest difference of one channel.
inline int ColourDistance(QRgb a, QRgb b)
{
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The row as the window shows it now: selected, text of the selected-text colour drawn
// on it, and most of it set off from that colour.
inline ::testing::AssertionResult SelectedRowReads(QTreeWidget& list, QTreeWidgetItem* row)
{
  if (!row->isSelected()) return ::testing::AssertionFailure() << "the row is not selected";
  // Cut from the whole window, as the user sees it.
  const QRect inView = list.visualItemRect(row) & list.viewport()->rect();
  if (inView.isEmpty()) return ::testing::AssertionFailure() << "the row is not in view";
  QWidget* window = list.window();
  const QImage image = window->grab()
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32)
                           .copy(QRect(list.viewport()->mapTo(window, inView.topLeft()), inView.size()));
  const QPalette::ColorGroup group = list.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
  const QRgb text = list.palette().color(group, QPalette::HighlightedText).rgb();

  // Text covers a small part of a row; the rest is the selection, which must stand off
  // from the text's colour (a gradient has no one colour, so each pixel is judged).
  int textPixels = 0;
  int setOff = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const int distance = ColourDistance(image.pixel(x, y), text);
      if (distance <= 48) ++textPixels;
      if (distance >= 96) ++setOff;
    }
  const int area = image.width() * image.height();
  if (textPixels < 20 || 2 * setOff < area)
    return ::testing::AssertionFailure() << "text colour " << QColor(text).name().toStdString() << ": " << textPixels
                                         << " pixels of it, " << setOff << " of " << area
                                         << " set off from it";
  return ::testing::AssertionSuccess();
}
