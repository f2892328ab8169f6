#ifndef WINDOWPLACEMENT_H
#define WINDOWPLACEMENT_H

class QWidget;

namespace WindowPlacement {
// Centres `window` on its screen by its frame rectangle, frame margins
// included: top := (screen height - frame height) / 2, then left likewise.
// The frame is known only once the window is shown, so a window not shown
// yet is centred then; and once more when it is first exposed, if the
// window system has told its frame only by then.
void CentreOnScreen(QWidget* window);
} // namespace WindowPlacement

#endif
