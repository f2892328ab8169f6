#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace WindowPlacement {

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    const int top = area.top() + (area.height() - size.height()) / 2;
    const int left = area.left() + (area.width() - size.width()) / 2;
    window->move(left, top);
}

} // namespace WindowPlacement
