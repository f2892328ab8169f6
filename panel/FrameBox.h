#ifndef FRAMEBOX_H
#define FRAMEBOX_H

#include <QGroupBox>

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

#endif
