#include "BoardStatusLabel.h"

#include "BoardStatus.h"

#include <QEvent>

BoardStatusLabel::BoardStatusLabel(const BoardStatus& status, QWidget* parent)
    : QLabel(parent), status_(status) {
    setObjectName(QStringLiteral("boardStatus"));
    // The text itself is the accessible name, so a change is announced.
    setAccessibleDescription(QStringLiteral("State of the evaluation board"));
    setContentsMargins(0, 0, 6, 0);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // On the menu bar the default would be the button text's colour.
    setForegroundRole(QPalette::WindowText);
    connect(&status, &BoardStatus::changed, this, &BoardStatusLabel::follow);
    follow();
}

QSize BoardStatusLabel::sizeHint() const {
    if (!painted_)
        return QLabel::sizeHint();
    if (!hint_.isValid()) {
        const int longest = fontMetrics().horizontalAdvance(
            QStringLiteral("Board: not responding (status -32768)"));
        const QMargins margins = contentsMargins();
        hint_ = QSize(longest + margins.left() + margins.right(), QLabel::sizeHint().height());
    }
    return hint_;
}

void BoardStatusLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        hint_ = QSize();
    QLabel::changeEvent(event);
}

bool BoardStatusLabel::event(QEvent* event) {
    if (event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        // The bar places its corner again when it is shown again.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible()) {
                    hide();
                    show();
                }
            },
            Qt::QueuedConnection);
    }
    return QLabel::event(event);
}

void BoardStatusLabel::follow() {
    // The hint is the longest text's: a new text leaves it as it is.
    setText(status_.text());
    QPalette colours; // what it does not set comes from the menu bar
    if (status_.isFault())
        colours.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
    setPalette(colours);
}
