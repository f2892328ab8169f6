#include "ScreenReader.h"

#include "LineControl.h"
#include "PictureBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <utility>

namespace ScreenReader {

namespace {

// A control the form keeps hidden (the frames "DAC 5" and "Temperature
// Shutdown", the single part's other channels) is not told either: a screen
// reader could otherwise press what nobody sees. One hidden for the moment
// (a lamp, the caution label) is told again once it shows.
bool told(const QAccessibleInterface* child) {
    const QObject* object = child ? child->object() : nullptr;
    const auto* widget = qobject_cast<const QWidget*>(object);
    return object && !qobject_cast<const LineControl*>(object) &&
           !qobject_cast<const ClickArea*>(object) && !(widget && widget->isHidden());
}

class Container : public QAccessibleWidget {
public:
    Container(QWidget* container, std::function<void()> beforeChildren)
        : QAccessibleWidget(container, qobject_cast<QGroupBox*>(container) ? QAccessible::Grouping
                                                                           : QAccessible::Client),
          beforeChildren_(std::move(beforeChildren)) {}

    QString text(QAccessible::Text t) const override {
        QString text = QAccessibleWidget::text(t);
        if (text.isEmpty() && t == QAccessible::Name && frame())
            text = frame()->title();
        return text;
    }
    int childCount() const override { return static_cast<int>(children().size()); }
    QAccessibleInterface* child(int index) const override { return children().value(index); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return static_cast<int>(children().indexOf(const_cast<QAccessibleInterface*>(child)));
    }
    // A frame with a caption labels what it holds.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto related = QAccessibleWidget::relations(match);
        if ((match & QAccessible::Labelled) && frame() && !frame()->title().isEmpty())
            for (QAccessibleInterface* child : children())
                related.append({child, QAccessible::Labelled});
        return related;
    }

private:
    const QGroupBox* frame() const { return qobject_cast<const QGroupBox*>(object()); }
    QList<QAccessibleInterface*> children() const {
        // A sheet's page behind holds nothing a person sees, so nothing a
        // screen reader could press: its controls are told once it is shown.
        if (static_cast<const QWidget*>(object())->isHidden())
            return {};
        if (beforeChildren_)
            beforeChildren_();
        QList<QAccessibleInterface*> kept;
        for (int i = 0, n = QAccessibleWidget::childCount(); i < n; ++i) {
            QAccessibleInterface* child = QAccessibleWidget::child(i);
            if (told(child))
                kept << child;
        }
        return kept;
    }

    std::function<void()> beforeChildren_;
};

} // namespace

void LeaveOutLinesAndClickAreas(QWidget* container, std::function<void()> beforeChildren) {
    // The toolkit may have made its own interface while the container was
    // being constructed (a frame announces its caption): that one gives way.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(container))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    QAccessible::registerAccessibleInterface(new Container(container, std::move(beforeChildren)));
}

} // namespace ScreenReader
