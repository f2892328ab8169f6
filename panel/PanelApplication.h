#ifndef PANELAPPLICATION_H
#define PANELAPPLICATION_H

namespace PanelApplication {
// The look every panel window is laid out for: one style on every platform
// and the dialog font mapped to an installed, metric-close face. Call after
// the QApplication exists and before any window is created.
void Init();
} // namespace PanelApplication

#endif
