// Small widgets that stand in for the classic form controls the panel is laid
// out with: command buttons, frames, drawn lines, bordered labels, picture
// boxes that report clicks and click areas. The option button and the tabbed
// sheet have files of their own; this header brings them along.
#ifndef CONTROLS_H
#define CONTROLS_H

#include "OptionButton.h"
#include "TabbedSheet.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

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

#endif
