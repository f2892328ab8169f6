// The focus mechanics behind the input boxes' entry check.
#ifndef ENTRYGUARD_H
#define ENTRYGUARD_H

#include "ControlArrays.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class QLineEdit;

// Qt has no "lost focus" a handler can veto; this application filter stands in for one.
class EntryGuard : public QObject {
    Q_OBJECT
public:
    using Boxes = std::array<QLineEdit*, ControlArrays::InputRows>;
    using Handler = std::function<void(int index)>;

    // `enter` runs for Enter in a box, `leave` when the user leaves one (for
    // any widget, hence a filter on the whole application); a press that a
    // refused move would still turn into a click can be dropped.
    EntryGuard(const Boxes& boxes, Handler enter, Handler leave);
    ~EntryGuard() override;

    // Runs `refusal` (the warning, then the focus back to the box); moves of
    // the focus it causes are not the user leaving a box.
    void refuse(const std::function<void()>& refusal);
    bool refusing() const { return refusing_; }

    // While `leave` runs for a box left by a mouse press: the widget the
    // press is giving the focus to, else nullptr.
    QWidget* pressTarget() const;
    // Drops the press under way on `target`, and so the click it starts.
    void dropPress(QWidget* target) { droppedPressTarget_ = target; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int boxIndex(const QObject* watched) const;

    Boxes boxes_;
    Handler enter_;
    Handler leave_;
    bool refusing_ = false;
    bool focusLeftByMouse_ = false;
    QPointer<QWidget> droppedPressTarget_;
};

#endif
