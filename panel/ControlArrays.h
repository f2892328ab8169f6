// How many members each of the main window's control arrays has, for the
// arrays' declarations and the loops over them.
#ifndef CONTROLARRAYS_H
#define CONTROLARRAYS_H

#include <cstddef>

namespace ControlArrays {

constexpr std::size_t InputRows = 10;       // txtInput, InputSel
constexpr std::size_t WriteButtons = 5;     // cmdWrite: four channels, then all
constexpr std::size_t Channels = 4;         // HVLED, lblVoltage
constexpr std::size_t LineButtons = 3;      // cmdLDAC, cmdCLR: pulse, high, low
constexpr std::size_t RangeButtons = 2;     // optRANGE: 30 V, 60 V
constexpr std::size_t PowerButtons = 14;    // optPD1
constexpr std::size_t SerialWordLabels = 2; // Label1, Label2: one per page
constexpr std::size_t BusLines = 16;        // Line2

} // namespace ControlArrays

#endif
