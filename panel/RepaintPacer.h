// Paces a window's repaints to the display's: a change after a quiet spell
// is painted at once, further changes within the same frame are painted
// together at its end. A client that writes thousands of times a second then
// pays for one repaint a frame instead of one per command, and the window
// still shows each change within a frame (at most 10 ms apart, so a change
// shows within 20 ms even when the paint itself or a busy machine adds some).
#ifndef REPAINTPACER_H
#define REPAINTPACER_H

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class RepaintPacer : public QObject {
    Q_OBJECT
public:
    explicit RepaintPacer(QWidget* window);
    ~RepaintPacer() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    QElapsedTimer sincePaint_;
    QTimer frameEnd_;
    int frameMs_;
    bool due_ = false;
};

#endif
