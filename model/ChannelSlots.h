// Where the model keeps each channel: its per-channel arrays have one slot
// for each of the quad part's channels, DAC1 first; the single part's one
// channel sits in the slot where the window shows it. Channels count from 1
// on the part, slots from 0.
#ifndef CHANNELSLOTS_H
#define CHANNELSLOTS_H

#include "Converter.h"

namespace ChannelSlots {

constexpr int SinglePartSlot = 2;
// A write to every channel, where a slot is taken: the one past the last.
constexpr int AllSlots = Converter::Channels;

constexpr int SlotOf(bool quad, int channel) {
    return quad ? channel - 1 : SinglePartSlot;
}
constexpr int ChannelOf(bool quad, int slot) {
    return quad ? slot + 1 : 1;
}
constexpr bool OnPart(bool quad, int slot) {
    return quad || slot == SinglePartSlot;
}

} // namespace ChannelSlots

#endif
