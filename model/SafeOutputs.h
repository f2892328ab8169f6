// The outputs' safe state, sent when the panel goes: control register
// cleared, code 0 to all DACs, LDAC pulsed, 30 V range.
//
// Callers, in the order they run at exit:
// 1. QV7310::Form_Unload (QV7310.cpp), from the window's close event, where
//    every way out ends (closing, "Exit", the signals and the session's end
//    in ExitPaths.cpp, the application quitting): Disarm(), then Send()
//    through QV7310::SafeState when resetOnExit holds.
// 2. QV7310::~QV7310: Disarm() once more, for a window that never unloaded.
// 3. The exit() handler that Arm() registered in QV7310::Form_Load: Send()
//    only when the process ends through exit() with the window still armed.
// Not at exit: QV7310::ResetPanel (PanelCommands.cpp) sends it too.
#ifndef SAFEOUTPUTS_H
#define SAFEOUTPUTS_H

namespace SafeOutputs {

// Sends the four requests in that order. When any of them fails, one line on
// standard error says the outputs may not be in the safe state and names the
// failed requests and their statuses. Returns true when all four succeeded.
bool Send();

// While armed, the process ending through exit() without the window having
// unloaded (the toolkit does so when it loses the display) sends the safe
// state first, if resetOnExit holds, and closes the board link. The window
// arms it once it has reached the board and disarms it when it unloads.
void Arm();
void Disarm();

} // namespace SafeOutputs

#endif
