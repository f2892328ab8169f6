#include "Controls.h"

#include "ScreenReader.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The one-pixel outline of `r`, as four filled strips: the same pixels as
// drawRect with a one-pixel pen, without the pen stroker's cost per pixel,
// which showed in the first paint.
void outline(QPainter& painter, const QRect& r, const QColor& colour) {
    painter.fillRect(r.left(), r.top(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.top() + 1, 1, r.height() - 2, colour);
    painter.fillRect(r.right(), r.top() + 1, 1, r.height() - 2, colour);
}

bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Hands `event`, with Space in place of Enter or Return, to `handler`.
template <typename Handler> void asSpace(QKeyEvent* event, Handler handler) {
    QKeyEvent space(event->type(), Qt::Key_Space, event->modifiers(), QStringLiteral(" "),
                    event->isAutoRepeat(), static_cast<quint16>(event->count()));
    handler(&space);
    event->setAccepted(space.isAccepted());
}
} // namespace

CommandButton::CommandButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event))
        asSpace(event, [this](QKeyEvent* space) { QPushButton::keyPressEvent(space); });
    else
        QPushButton::keyPressEvent(event);
}

void CommandButton::keyReleaseEvent(QKeyEvent* event) {
    if (isEnter(event))
        asSpace(event, [this](QKeyEvent* space) { QPushButton::keyReleaseEvent(space); });
    else
        QPushButton::keyReleaseEvent(event);
}

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
    outline(painter, border, palette().color(QPalette::Mid));
    outline(painter, border.translated(1, 1), palette().color(QPalette::Light));
    if (title().isEmpty())
        return;
    const int flags = Qt::AlignLeft | Qt::AlignTop;
    QRect caption = painter.boundingRect(captionRect(), flags, title()).adjusted(-2, 0, 2, 0);
    painter.fillRect(caption, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(captionRect(), flags, title());
}

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

BorderedLabel::BorderedLabel(const QString& text, int leftPadding, QWidget* parent)
    : QLabel(text, parent) {
    setContentsMargins(1 + leftPadding, 1, 1, 1);
}

void BorderedLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter painter(this);
    outline(painter, rect(), QColor(0x80, 0x80, 0x80));
}

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
