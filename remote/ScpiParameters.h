// A command's parameter as IEEE 488.2 and SCPI-1999 have instruments take
// them: decimals in every form (60, 60.0, 6E1, +60), rounded where a setting
// takes integers; units of volts with the multipliers M, U and K, glued or
// after a space; #H, #B or #Q for codes and register values; MINimum, MAXimum
// and DEFault for codes, volts and the range (also as query parameters);
// booleans as ON, OFF or any decimal; keywords from the row's choices. A
// malformed number gets the -12x error that names its fault. Plain C++.
#ifndef SCPIPARAMETERS_H
#define SCPIPARAMETERS_H

#include "ScpiCommands.h"

#include <string_view>

namespace Scpi {

// Reads `text` (trimmed, empty when there is none) into `command`, whose
// `query` is set; the error number, 0 when it reads.
int ParseParameter(const Row& row, std::string_view text, Command& command);

} // namespace Scpi

#endif
