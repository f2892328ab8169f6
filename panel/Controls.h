// Small widgets that stand in for the classic form controls the panel is laid
// out with: command buttons, option buttons whose caption wraps, drawn lines,
// picture boxes that report clicks, click areas, and the two-page tabbed sheet.
#ifndef CONTROLS_H
#define CONTROLS_H

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QWidget>
#include <functional>

class QStackedWidget;

// A command button on which Enter and Return act as Space does, as they do on
// the desktop the panel comes from: pressed on the key going down, clicked once
// on its release. Not a default button of its dialog for that.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& text, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

// An option button whose caption wraps inside its box, and which, like the
// option buttons of a group on a classic form, is reached by Tab only while
// it is the selected one of its group.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(const QString& text, QWidget* parent = nullptr);
    // The rectangle the caption is drawn in (word-wrapped).
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void followSelection(bool checked);
};

// A frame drawn the classic way: an etched border whose top runs through the
// middle of the caption, so the controls inside start close under the
// caption, where the form places them.
class FrameBox : public QGroupBox {
    Q_OBJECT
public:
    explicit FrameBox(const QString& title, QWidget* parent = nullptr);
    // Where the caption may be drawn: from its left inset to the right edge.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A straight line drawn on its container, which takes no input. Screen
// readers are not told about it (ScreenReader.h).
class LineControl : public QWidget {
    Q_OBJECT
public:
    LineControl(QPoint from, QPoint to, QWidget* parent);
    QPoint from() const { return from_; }
    QPoint to() const { return to_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_;
    QPoint to_;
};

// A label with a single grey border inside its rectangle, which shows on
// white as well as on grey, and `leftPadding` pixels more before its text.
class BorderedLabel : public QLabel {
    Q_OBJECT
public:
    BorderedLabel(const QString& text, int leftPadding, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A picture box: shows an image (or nothing) and reports clicks.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A picture box with no image that only takes clicks: it paints nothing, so
// whatever lies beneath shows whole, and screen readers are not told about it.
class ClickArea : public PictureBox {
    Q_OBJECT
public:
    explicit ClickArea(QWidget* parent = nullptr) : PictureBox(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {}
};

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
