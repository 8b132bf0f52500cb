#pragma once

#include <QSize>

class QWidget;

// The windows were designed in a small font; a desktop font needs more room. Each window
// takes the size of its design, or what its contents ask for where that is more, so no
// text is cut.

// The designed size grown to the window's size hint.
QSize GrownToContents(const QWidget& window, QSize designed);

// A fixed border: the designed size grown to the contents, and no other size.
void SetFixedDesignedSize(QWidget& window, QSize designed);

// The designed minimum grown to the smallest size at which the contents still show whole.
void SetDesignedMinimumSize(QWidget& window, QSize designed);
