#include "CommandButton.h"

#include <QKeyEvent>

namespace {

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
