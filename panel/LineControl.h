#ifndef LINECONTROL_H
#define LINECONTROL_H

#include <QWidget>

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

#endif
