#include "BoardStatusLabel.h"

#include "board/BoardLink.h"
#include "model/BoardStatus.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenuBar>
#include <QResizeEvent>

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
    if (!hint_.isValid()) {
        // Until the window is first drawn, the text's own size, whose glyphs
        // are drawn anyway; from then on the longest text's, so that the
        // window shows no later for measuring a text it does not show.
        const QSize own = QLabel::sizeHint();
        int width = own.width();
        if (drawn_) {
            const QMargins margins = contentsMargins();
            int longest = fontMetrics().horizontalAdvance(
                QStringLiteral("Board: not responding (status -32768)"));
            // Only a bridge has deadlines: the corner of a panel without one
            // keeps its width.
            if (status_.link().isBridged())
                longest =
                    qMax(longest, fontMetrics().horizontalAdvance(BoardStatus::NoAnswerText(
                                      status_.link().deadlineSeconds(BoardLink::DownloadCall))));
            width = qMax(width, longest + margins.left() + margins.right());
        }
        hint_ = QSize(width, own.height());
    }
    return hint_;
}

void BoardStatusLabel::fitMenuBar() {
    hint_ = QSize();
    // The menu bar places its corner widget when it is resized, and only then.
    if (auto* bar = qobject_cast<QMenuBar*>(parentWidget())) {
        QResizeEvent resize(bar->size(), bar->size());
        QCoreApplication::sendEvent(bar, &resize);
    }
}

bool BoardStatusLabel::event(QEvent* event) {
    if (event->type() == QEvent::Paint && !drawn_) {
        drawn_ = true;
        QMetaObject::invokeMethod(
            this, [this] { fitMenuBar(); }, Qt::QueuedConnection);
    }
    return QLabel::event(event);
}

void BoardStatusLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        hint_ = QSize();
    QLabel::changeEvent(event);
}

void BoardStatusLabel::follow() {
    setText(status_.stateText());
    // Once drawn, the hint is the longest text's: a new text leaves it.
    if (!drawn_ && isVisible())
        fitMenuBar();
    QPalette colours; // what it does not set comes from the menu bar
    if (status_.isFault())
        colours.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
    setPalette(colours);
}
