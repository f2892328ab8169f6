// The one-pixel outline the form's frames and bordered labels draw.
#ifndef OUTLINE_H
#define OUTLINE_H

#include <QColor>
#include <QPainter>
#include <QRect>

// The one-pixel outline of `r`, as four filled strips: the same pixels as
// drawRect with a one-pixel pen, without the pen stroker's cost per pixel,
// which showed in the first paint.
inline void Outline(QPainter& painter, const QRect& r, const QColor& colour) {
    painter.fillRect(r.left(), r.top(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.top() + 1, 1, r.height() - 2, colour);
    painter.fillRect(r.right(), r.top() + 1, 1, r.height() - 2, colour);
}

#endif
