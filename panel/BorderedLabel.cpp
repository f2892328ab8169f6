#include "BorderedLabel.h"

#include "Outline.h"

#include <QPainter>

BorderedLabel::BorderedLabel(const QString& text, int leftPadding, QWidget* parent)
    : QLabel(text, parent) {
    setContentsMargins(1 + leftPadding, 1, 1, 1);
}

void BorderedLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter painter(this);
    Outline(painter, rect(), QColor(0x80, 0x80, 0x80));
}
