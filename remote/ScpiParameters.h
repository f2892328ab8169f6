// A command's parameter as instruments take them: MINimum, MAXimum and
// DEFault for codes and volts (also as query parameters), volts with V or MV
// in any case, codes in decimal (integral, exponents allowed), #H, #B or #Q,
// keywords from the row's choices. Plain C++.
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
