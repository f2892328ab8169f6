#ifndef TABBEDSHEET_H
#define TABBEDSHEET_H

#include <QTabBar>
#include <QWidget>
#include <functional>

class QStackedWidget;

// Tabs laid out as if three fitted in the row, so two take its left two thirds.
class SheetTabBar : public QTabBar {
    Q_OBJECT
public:
    SheetTabBar(int sheetWidth, int tabHeight, QWidget* parent);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    int sheetWidth_;
    int tabHeight_;
};

// The tabbed sheet. Each page covers the whole sheet so that controls are
// placed in sheet coordinates; the tab row stays above the pages.
class TabbedSheet : public QWidget {
    Q_OBJECT
public:
    TabbedSheet(QSize size, int tabHeight, QWidget* parent);
    QWidget* addPage(const QString& caption);
    QWidget* page(int index) const;
    // Runs `builder` once, before page `index` is first shown or a screen
    // reader first asks what it holds: for a page whose controls are created
    // later than the rest.
    void setPageBuilder(int index, std::function<void()> builder);
    int pageCount() const;
    int currentIndex() const;
    void setCurrentIndex(int index);
    QTabBar* tabBar() const { return tabs_; }

signals:
    void currentChanged(int index);

private:
    SheetTabBar* tabs_;
    QStackedWidget* pages_;
    int tabHeight_;
};

#endif
