// The control register page: the option buttons gathered into one word, sent
// whole on every click, and the channels' power shown on the write buttons.
#include "QV7310.h"

#include "Controls.h"
#include "Declare.h"
#include "QV7310Variables.h"

#include <QPushButton>

using namespace QV7310Variables;

namespace {

using ControlArrays::ChannelButtons;
using ControlArrays::ChannelFrames;

// optPD1 buttons that set a control-register bit when selected, in the order
// they are gathered.
struct ControlBit {
    int button;
    std::int32_t bit;
};
// The power-down mode's pair.
constexpr int ResistorToGround = 12;
constexpr int ThreeState = 13;

constexpr ControlBit ControlBits[] = {{1, 0x04}, {3, 0x08},  {4, 0x10}, {6, 0x20},
                                      {8, 0x40}, {11, 0x02}, {13, 0x80}};

} // namespace

void QV7310::optPD1_Click(int) {
    writeControlRegister();
}

void QV7310::setChannelPower(int channel, bool up) {
    const ChannelButtons& frame = ChannelFrames[channel - 1];
    optPD1[up ? frame.powerUp : frame.powerDown]->setChecked(true);
    writeControlRegister();
}

bool QV7310::channelPowered(int channel) const {
    return optPD1[ChannelFrames[channel - 1].powerUp]->isChecked();
}

void QV7310::setThreeState(bool on) {
    optPD1[on ? ThreeState : ResistorToGround]->setChecked(true);
    writeControlRegister();
}

bool QV7310::threeState() const {
    return optPD1[ThreeState]->isChecked();
}

void QV7310::writeControlRegister() {
    registerAddress = Declare::RegisterAddress::Control;
    controlBits = 0;
    for (const ControlBit& bit : ControlBits)
        if (optPD1[bit.button]->isChecked())
            controlBits |= bit.bit;
    Declare::WriteSerialWord(controlBits | registerAddress);
    showChannelPower();
}

void QV7310::showChannelPower() {
    // The page behind shows it once it is created.
    if (!dataPageCreated_)
        return;
    for (std::size_t k = 0; k < ControlArrays::Channels; ++k) {
        // The single part's one button tells of its one frame, "DAC 1".
        const ChannelButtons& frame = !partIsQuad && int(k) == ControlArrays::SinglePartSlot
                                          ? ChannelFrames[0]
                                          : ChannelFrames[k];
        if (optPD1[frame.powerDown]->isChecked())
            cmdWrite[k]->setToolTip(QStringLiteral("DAC is powered down"));
        else if (optPD1[frame.powerUp]->isChecked())
            cmdWrite[k]->setToolTip(QStringLiteral("DAC is powered up"));
    }
    showReadingStates();
}
