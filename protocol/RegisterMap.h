// The converter's register addresses as they stand in a serial word. Kept
// free of Qt: the board bridge builds its safe state from them too.
#ifndef REGISTERMAP_H
#define REGISTERMAP_H

#include <cstdint>

namespace Declare {

// Address field of a serial word, already shifted into bits 12 to 14.
namespace RegisterAddress {
constexpr std::int32_t Dac1 = 0x1000;
constexpr std::int32_t Dac2 = 0x2000;
constexpr std::int32_t Dac3 = 0x3000;
constexpr std::int32_t Dac4 = 0x4000;
constexpr std::int32_t AllDacs = 0x5000;
constexpr std::int32_t Control = 0x7000;
} // namespace RegisterAddress

// The control register's bits, each set by one button of a pair.
namespace ControlBit {
// DAC1 to DAC4 powered up (the single part's one channel is the first).
constexpr std::int32_t PowerUp[4] = {0x04, 0x08, 0x10, 0x20};
constexpr std::int32_t PowerUpDac5 = 0x40;
constexpr std::int32_t TemperatureShutdownOff = 0x02;
// Powered-down outputs three-state rather than through a resistor to GND.
constexpr std::int32_t ThreeState = 0x80;
} // namespace ControlBit

} // namespace Declare

#endif
