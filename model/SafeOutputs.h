// The outputs' safe state, sent when the panel goes: control register
// cleared, code 0 to all DACs, LDAC pulsed, 30 V range.
//
// Callers, in the order they run at exit:
// 1. Session::end, from QV7310::Form_Unload on the window's close event,
//    where every way out ends (closing, "Exit", the signals and the
//    session's end in ExitPaths.cpp, the application quitting): Disarm(),
//    then the model's safeState() when resetOnExit holds.
// 2. Session::~Session: Disarm() once more, for a run that never ended.
// 3. The exit() handler that Arm() registered once the board was reached
//    (Session::load): the model's Send only when the process ends through
//    exit() while still armed.
// Not at exit: the model's reset() sends it too (remote control's *RST, a
// reload after a failure).
#ifndef SAFEOUTPUTS_H
#define SAFEOUTPUTS_H

class PanelModel;

namespace SafeOutputs {

// Sends the four requests in that order through the model's board link,
// named "Safe state" in its history. When any of them fails, one line on
// standard error says the outputs may not be in the safe state and names the
// failed requests and their statuses. Returns true when all four succeeded.
bool Send(PanelModel& model);

// While armed, the process ending through exit() without the session having
// ended (the toolkit does so when it loses the display) sends the safe state
// first, if the model's resetOnExit holds, and closes the board link.
void Arm(PanelModel& model);
void Disarm();

} // namespace SafeOutputs

#endif
