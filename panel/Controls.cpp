#include "Controls.h"

#include "ScreenReader.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <utility>

namespace {
constexpr int CaptionSpacing = 4;
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

// The one-pixel outline of `r`, as four filled strips: the same pixels as
// drawRect with a one-pixel pen, without the pen stroker's cost per pixel,
// which showed in the first paint.
void outline(QPainter& painter, const QRect& r, const QColor& colour) {
    painter.fillRect(r.left(), r.top(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.top() + 1, 1, r.height() - 2, colour);
    painter.fillRect(r.right(), r.top() + 1, 1, r.height() - 2, colour);
}
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

SheetTabBar::SheetTabBar(int sheetWidth, int tabHeight, QWidget* parent)
    : QTabBar(parent), sheetWidth_(sheetWidth), tabHeight_(tabHeight) {
    setExpanding(false);
    setDrawBase(false);
    setUsesScrollButtons(false);
    // A click on a tab takes the focus, as the sheet's tabs do on the form.
    setFocusPolicy(Qt::StrongFocus);
}

QSize SheetTabBar::tabSizeHint(int) const {
    return QSize(sheetWidth_ / 3, tabHeight_);
}

namespace {
// A page: white, framed below the tab row.
class SheetPage : public QWidget {
public:
    SheetPage(int tabHeight, QWidget* parent) : QWidget(parent), tabHeight_(tabHeight) {
        ScreenReader::LeaveOutLinesAndClickAreas(this, [this] { build(); });
    }
    void setBuilder(std::function<void()> builder) { build_ = std::move(builder); }
    // Creates the page's controls if they are still to come.
    void build() {
        if (!build_)
            return;
        const std::function<void()> run = std::move(build_);
        build_ = nullptr;
        run();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        // White like the window, with a plain border, whatever the style's
        // own tab-widget frame would fill it with.
        QPainter painter(this);
        const QRect frame = rect().adjusted(0, tabHeight_ - 1, -1, -1);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(frame);
    }

private:
    int tabHeight_;
    std::function<void()> build_;
};
} // namespace

TabbedSheet::TabbedSheet(QSize size, int tabHeight, QWidget* parent)
    : QWidget(parent), tabs_(new SheetTabBar(size.width(), tabHeight, this)),
      pages_(new QStackedWidget(this)), tabHeight_(tabHeight) {
    resize(size);
    pages_->setGeometry(0, 0, size.width(), size.height());
    tabs_->setGeometry(0, 0, size.width() * 2 / 3, tabHeight);
    tabs_->raise();
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        // Built while still hidden, its controls show with the page.
        if (QWidget* page = pages_->widget(index))
            static_cast<SheetPage*>(page)->build();
        pages_->setCurrentIndex(index);
        emit currentChanged(index);
    });
}

QWidget* TabbedSheet::addPage(const QString& caption) {
    auto* page = new SheetPage(tabHeight_, pages_);
    page->setAutoFillBackground(true);
    pages_->addWidget(page);
    tabs_->addTab(caption);
    return page;
}

QWidget* TabbedSheet::page(int index) const {
    return pages_->widget(index);
}
void TabbedSheet::setPageBuilder(int index, std::function<void()> builder) {
    static_cast<SheetPage*>(page(index))->setBuilder(std::move(builder));
}
int TabbedSheet::pageCount() const {
    return pages_->count();
}
int TabbedSheet::currentIndex() const {
    return tabs_->currentIndex();
}
void TabbedSheet::setCurrentIndex(int index) {
    tabs_->setCurrentIndex(index);
}
