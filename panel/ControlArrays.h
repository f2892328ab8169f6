// How many members each of the main window's control arrays has, for the
// arrays' declarations and the loops over them, and what some members stand
// for.
#ifndef CONTROLARRAYS_H
#define CONTROLARRAYS_H

#include "model/ChannelSlots.h"

#include <cstddef>

namespace ControlArrays {

constexpr std::size_t InputRows = 10;                 // txtInput, InputSel
constexpr std::size_t WriteButtons = 5;               // cmdWrite: four channels, then all
constexpr std::size_t Channels = Converter::Channels; // HVLED, lblVoltage
constexpr std::size_t LineButtons = 3;                // cmdLDAC, cmdCLR: pulse, high, low
constexpr std::size_t RangeButtons = 2;               // optRANGE: 30 V, 60 V
constexpr std::size_t PowerButtons = 14;              // optPD1
constexpr std::size_t SerialWordLabels = 2;           // Label1, Label2: one per page
constexpr std::size_t BusLines = 16;                  // Line2

// cmdLDAC and cmdCLR: what each member of the two arrays does.
enum LineButton : int { Pulse = 0, High = 1, Low = 2 };
// cmdWrite: the button past the four channels writes to all DACs.
constexpr int AllDacs = ::ChannelSlots::AllSlots;
// The single part's one channel sits at this slot of the channel arrays
// (cmdWrite, lblVoltage, HVLED), as in the model's.
constexpr int SinglePartSlot = ::ChannelSlots::SinglePartSlot;
// The KeyAscii that txtInput_KeyPress acts on.
constexpr int KeyAsciiEnter = 13;

} // namespace ControlArrays

#endif
