// What screen readers are told about the form's containers.
#ifndef SCREENREADER_H
#define SCREENREADER_H

#include <functional>

class QWidget;

namespace ScreenReader {

// Drawn lines and click areas have nothing to read. `container` (the client
// area, a sheet page or a frame) gets an accessible interface that leaves
// them out of its children and is otherwise what the toolkit gives it: a
// frame is a group named by its caption. Call it while the container is
// built, before a screen reader can have asked for it. `beforeChildren`, if
// given, runs whenever its children are asked for: a container whose
// controls are created later creates them then.
void LeaveOutLinesAndClickAreas(QWidget* container, std::function<void()> beforeChildren = {});

} // namespace ScreenReader

#endif
