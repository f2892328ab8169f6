#include "LineControl.h"

#include <QPainter>

LineControl::LineControl(QPoint from, QPoint to, QWidget* parent)
    : QWidget(parent), from_(from), to_(to) {
    setGeometry(QRect(from, to).normalized().adjusted(0, 0, 1, 1));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(from_ - pos(), to_ - pos());
}
