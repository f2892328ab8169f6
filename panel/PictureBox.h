// Picture boxes of the form: one that shows an image, and one that only
// takes clicks.
#ifndef PICTUREBOX_H
#define PICTUREBOX_H

#include <QLabel>

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
