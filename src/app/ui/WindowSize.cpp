#include "app/ui/WindowSize.h"

#include <QWidget>

QSize GrownToContents(const QWidget& window, QSize designed) { return designed.expandedTo(window.sizeHint()); }

void SetFixedDesignedSize(QWidget& window, QSize designed) { window.setFixedSize(GrownToContents(window, designed)); }

void SetDesignedMinimumSize(QWidget& window, QSize designed)
{
  window.setMinimumSize(designed.expandedTo(window.minimumSizeHint()));
}
