#include "WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace WindowPlacement {

namespace {

// Centres the frame as the toolkit has it now; returns the frame's size.
QSize centreNow(QWidget* window) {
    const QSize frame = window->frameGeometry().size();
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return frame;
    const QRect area = screen->geometry();
    const int top = area.top() + (area.height() - frame.height()) / 2;
    const int left = area.left() + (area.width() - frame.width()) / 2;
    // A window's position is that of its frame.
    window->move(left, top);
    return frame;
}

class CentreWhenShown : public QObject {
public:
    explicit CentreWhenShown(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show) {
            window_->removeEventFilter(this);
            frame_ = centreNow(window_);
            if (QWindow* handle = window_->windowHandle())
                handle->installEventFilter(this);
            else
                deleteLater();
        } else if (watched == window_->windowHandle() && event->type() == QEvent::Expose &&
                   window_->windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            if (window_->frameGeometry().size() != frame_)
                centreNow(window_);
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    QSize frame_;
};

} // namespace

void CentreOnScreen(QWidget* window) {
    // Placed at once, so what opens over the window before it shows (the
    // missing board's box) opens mid-screen; once shown, its frame is known
    // and the place is corrected.
    centreNow(window);
    if (!window->isVisible())
        new CentreWhenShown(window);
}

} // namespace WindowPlacement
