// The two-page tabbed sheet: its tab bar and its pages, one of which may be
// built later than the rest.
#include "TabbedSheet.h"

#include "ScreenReader.h"

#include <QPainter>
#include <QStackedWidget>
#include <utility>

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
