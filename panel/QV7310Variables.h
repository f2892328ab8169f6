// Program-wide panel state, written by the main window's handlers and read by
// them and by the voltage refresh.
#ifndef QV7310VARIABLES_H
#define QV7310VARIABLES_H

#include "ControlArrays.h"

#include <cstdint>

namespace QV7310Variables {

extern bool partIsQuad;                               // the quad part was chosen
extern std::int32_t dacCode[ControlArrays::Channels]; // last code loaded per channel
// The code behind each reading: what the channel's DAC register holds, as far
// as the panel knows. It follows the converter's rules: a loaded code reaches
// it through LDAC, and CLR low holds it at 0.
extern std::int32_t outputCode[ControlArrays::Channels];
extern std::int32_t pendingCode;     // code taken by the last write
extern std::int32_t registerAddress; // address field of the next word
extern std::int32_t controlBits;     // control-register bits of the last rebuild
extern bool ldacIsHigh;              // loaded codes wait for an LDAC pulse
extern bool clrIsLow;                // CLR holds the outputs at 0
extern bool resetOnExit;             // safe state when the main window unloads
extern int rangeVolts;               // the range in force: 30 or 60
// Each channel's output limit in volts, or OutputLimits::Off (negative);
// read from the part's settings on first use (OutputLimits).
extern double outputLimit[ControlArrays::Channels];
extern bool limitsLoaded;

// Every member back to 0 or false, as before the main window loads.
void Clear();
// No code taken, no address, every channel's code 0: as the main window
// starts and as a reset leaves it.
void ClearCodes();

// LDAC pulsed or taken low: every loaded code reaches its output, unless CLR
// holds the outputs at 0.
void LoadOutputs();
// The code behind the readings of the slots from `first` to `last` when LDAC
// is low and passes written codes straight on.
void PassWrittenCodes(int first, int last);
// CLR taken low: the outputs go to 0 and stay there while it is low.
void ClearOutputs();

} // namespace QV7310Variables

#endif
