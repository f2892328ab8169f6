// The option button: its caption wraps inside its box, and screen readers'
// actions on it are clicks.
#include "OptionButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int CaptionSpacing = 4;
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
} // namespace

namespace {

// What a screen reader sees of an option button. The toolkit's own Toggle
// action sets the button without a click, so the panel's handler, and the
// board, would never hear of the change; here both actions are a click,
// which a selected button of its group refuses to undo.
class OptionButtonAccessible : public QAccessibleWidget {
public:
    explicit OptionButtonAccessible(OptionButton* button)
        : QAccessibleWidget(button, QAccessible::RadioButton) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        return s;
    }
    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled())
            names << pressAction() << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (!widget()->isEnabled())
            return;
        if (action == pressAction())
            button()->click();
        else if (action == toggleAction()) {
            // Toggling the selected button of a group changes nothing.
            if (!button()->isChecked())
                button()->click();
        } else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == pressAction() || action == toggleAction())
            return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    OptionButton* button() const { return static_cast<OptionButton*>(widget()); }
};

QAccessibleInterface* optionButtonAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("OptionButton") && object && object->isWidgetType())
        return new OptionButtonAccessible(static_cast<OptionButton*>(object));
    return nullptr;
}

} // namespace

OptionButton::OptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
    static const bool accessibleInstalled =
        (QAccessible::installFactory(optionButtonAccessible), true);
    (void)accessibleInstalled;
    followSelection(false);
    connect(this, &QAbstractButton::toggled, this, &OptionButton::followSelection);
}

void OptionButton::followSelection(bool checked) {
    // Clicking still gives the focus; Tab only stops at the selected button.
    setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
}

QRect OptionButton::captionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
    const int left = indicator.right() + 1 + CaptionSpacing;
    return QRect(left, 0, width() - left, height());
}

void OptionButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QStyleOptionButton indicator = option;
    indicator.rect = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicator);
    if (text().isEmpty())
        return;
    const QRect caption = captionRect();
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, TextFlags, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(caption, TextFlags, text()).adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool OptionButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}
