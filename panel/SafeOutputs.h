// The outputs' safe state, sent when the panel goes: control register
// cleared, code 0 to all DACs, LDAC pulsed, 30 V range.
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
