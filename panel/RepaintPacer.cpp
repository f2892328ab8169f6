#include "RepaintPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {
// At most this long between paints, whatever the screen says, so that a
// change shows within 20 ms even when the paint itself takes a few.
constexpr int LongestFrameMs = 10;
} // namespace

RepaintPacer::RepaintPacer(QWidget* window) : QObject(window), window_(window) {
    const QScreen* screen = window->screen();
    const qreal hertz = screen ? screen->refreshRate() : 60.0;
    frameMs_ = std::clamp(static_cast<int>(std::floor(1000.0 / std::max<qreal>(hertz, 1.0))), 1,
                          LongestFrameMs);
    frameEnd_.setSingleShot(true);
    frameEnd_.setTimerType(Qt::PreciseTimer);
    // Qt's repaint manager posts no further request while one is pending, so
    // the held one is posted again, with every change since, at the frame's end.
    connect(&frameEnd_, &QTimer::timeout, this, [this] {
        due_ = true;
        if (window_)
            QCoreApplication::postEvent(window_, new QEvent(QEvent::UpdateRequest),
                                        Qt::LowEventPriority);
    });
    window->installEventFilter(this);
}

RepaintPacer::~RepaintPacer() {
    if (window_)
        window_->removeEventFilter(this);
}

bool RepaintPacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::UpdateRequest)
        return false;
    // The frame's end lets its request through even if the clock reads a
    // millisecond short.
    // The clock is read once: read twice, the second reading could pass the
    // frame's end and give the timer a negative interval.
    const qint64 since = sincePaint_.isValid() ? sincePaint_.elapsed() : frameMs_;
    if (!due_ && since < frameMs_) {
        if (!frameEnd_.isActive())
            frameEnd_.start(static_cast<int>(frameMs_ - since));
        return true;
    }
    due_ = false;
    sincePaint_.start();
    return false;
}
