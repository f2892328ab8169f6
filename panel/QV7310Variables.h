// Program-wide panel state, written by the main window's handlers and read by
// them and by the voltage refresh.
#ifndef QV7310VARIABLES_H
#define QV7310VARIABLES_H

#include "ControlArrays.h"

#include <cstdint>

namespace QV7310Variables {

extern bool partIsQuad;                               // the quad part was chosen
extern std::int32_t dacCode[ControlArrays::Channels]; // last code loaded per channel
extern std::int32_t pendingCode;                      // code taken by the last write
extern std::int32_t registerAddress;                  // address field of the next word
extern std::int32_t controlBits;                      // control-register bits of the last rebuild
extern bool ldacIsHigh;                               // loaded codes wait for an LDAC pulse
extern bool resetOnExit;                              // safe state when the main window unloads

// Every member back to 0 or false, as before the main window loads.
void Clear();

} // namespace QV7310Variables

#endif
