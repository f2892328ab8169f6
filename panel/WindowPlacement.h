#ifndef WINDOWPLACEMENT_H
#define WINDOWPLACEMENT_H

class QWidget;

namespace WindowPlacement {
// Top := (screen height - window height) / 2, then left likewise.
void CentreOnScreen(QWidget* window);
} // namespace WindowPlacement

#endif
