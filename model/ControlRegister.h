// The control register's option buttons (optPD1) and the bits they stand
// for, written once for the window, which shows the bits on the buttons, and
// the model, which composes the word from the button a person selects.
#ifndef CONTROLREGISTER_H
#define CONTROLREGISTER_H

#include "protocol/RegisterMap.h"

#include <cstdint>

namespace ControlRegister {

// The buttons that set a bit when selected; the other button of each pair
// (button ^ 1) clears it.
struct Button {
    int button;
    std::int32_t bit;
};
namespace Bit = Declare::ControlBit;
constexpr Button Buttons[] = {{1, Bit::PowerUp[0]},  {3, Bit::PowerUp[1]},
                              {4, Bit::PowerUp[2]},  {6, Bit::PowerUp[3]},
                              {8, Bit::PowerUpDac5}, {11, Bit::TemperatureShutdownOff},
                              {13, Bit::ThreeState}};

// The bits once `button` is selected.
constexpr std::int32_t Select(std::int32_t bits, int button) {
    for (const Button& b : Buttons) {
        if (button == b.button)
            return bits | b.bit;
        if (button == (b.button ^ 1))
            return bits & ~b.bit;
    }
    return bits;
}

// The button each pair shows selected for `bits`.
constexpr int Shown(const Button& b, std::int32_t bits) {
    return (bits & b.bit) ? b.button : b.button ^ 1;
}

} // namespace ControlRegister

#endif
