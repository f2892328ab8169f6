#include "EntryGuard.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <utility>

EntryGuard::EntryGuard(const Boxes& boxes, Handler enter, Handler leave)
    : boxes_(boxes), enter_(std::move(enter)), leave_(std::move(leave)) {
    qApp->installEventFilter(this);
}

EntryGuard::~EntryGuard() {
    qApp->removeEventFilter(this);
}

void EntryGuard::refuse(const std::function<void()>& refusal) {
    refusing_ = true;
    refusal();
    refusing_ = false;
}

QWidget* EntryGuard::pressTarget() const {
    // The focus has already moved to the widget the press is for.
    return focusLeftByMouse_ ? QApplication::focusWidget() : nullptr;
}

int EntryGuard::boxIndex(const QObject* watched) const {
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (watched == boxes_[i])
            return static_cast<int>(i);
    return -1;
}

bool EntryGuard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        // Only the press that was under way when the box refused is dropped.
        const bool drop = droppedPressTarget_ && watched == droppedPressTarget_;
        droppedPressTarget_.clear();
        return drop;
    }
    if (type != QEvent::KeyPress && type != QEvent::FocusOut)
        return false;
    const int index = boxIndex(watched);
    if (index < 0)
        return false;
    if (type == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        // An Alt combination that is no shortcut (those never get here) is
        // dropped: typed as its letter it could rewrite a code, Alt+F an
        // "F" over a selected "FFF".
        if ((press->modifiers() & Qt::AltModifier) && !(press->modifiers() & Qt::ControlModifier))
            return true;
        if (press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter)
            enter_(index);
        return false;
    }
    // Another window taking over (a message box, a menu) is not the user
    // leaving the box.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        focusLeftByMouse_ = reason == Qt::MouseFocusReason;
        leave_(index);
        focusLeftByMouse_ = false;
    }
    return false;
}
