#include "FrameBox.h"

#include "Outline.h"
#include "ScreenReader.h"

#include <QPainter>

namespace {
constexpr int FrameCaptionInset = 6;
} // namespace

FrameBox::FrameBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
    ScreenReader::LeaveOutLinesAndClickAreas(this);
}

QRect FrameBox::captionRect() const {
    // Up to the border's right edge; one line of the frame's font high.
    return QRect(FrameCaptionInset, 0, width() - FrameCaptionInset - 2,
                 fontMetrics().lineSpacing() + 1);
}

void FrameBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int top = title().isEmpty() ? 0 : fontMetrics().height() / 2;
    const QRect border = rect().adjusted(0, top, -1, -1);
    Outline(painter, border, palette().color(QPalette::Mid));
    Outline(painter, border.translated(1, 1), palette().color(QPalette::Light));
    if (title().isEmpty())
        return;
    const int flags = Qt::AlignLeft | Qt::AlignTop;
    QRect caption = painter.boundingRect(captionRect(), flags, title()).adjusted(-2, 0, 2, 0);
    painter.fillRect(caption, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(captionRect(), flags, title());
}
