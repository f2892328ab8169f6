#ifndef PANELAPPLICATION_H
#define PANELAPPLICATION_H

namespace PanelApplication {
// The look every panel window is laid out for: one style on every platform
// and the dialog font mapped to an installed, metric-close face. Call after
// the QApplication exists and before any window is created.
void Init();
// False on the platforms that show nothing to anybody (offscreen, minimal).
bool HasDisplay();
} // namespace PanelApplication

#endif
