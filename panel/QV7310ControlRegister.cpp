// The control register page: the option buttons gathered into one word, sent
// whole on every click.
#include "QV7310.h"

#include "Controls.h"
#include "model/PanelModel.h"
#include "protocol/Declare.h"

namespace {

// optPD1 buttons that set a control-register bit when selected; the other
// button of each pair (Index ^ 1) clears it.
struct ControlBit {
    int button;
    std::int32_t bit;
};
namespace Bit = Declare::ControlBit;
constexpr ControlBit ControlBits[] = {{1, Bit::PowerUp[0]},  {3, Bit::PowerUp[1]},
                                      {4, Bit::PowerUp[2]},  {6, Bit::PowerUp[3]},
                                      {8, Bit::PowerUpDac5}, {11, Bit::TemperatureShutdownOff},
                                      {13, Bit::ThreeState}};

} // namespace

void QV7310::optPD1_Click(int) {
    std::int32_t bits = 0;
    for (const ControlBit& bit : ControlBits)
        if (optPD1[std::size_t(bit.button)]->isChecked())
            bits |= bit.bit;
    model_.writeControlRegister(bits);
}

void QV7310::showControlRegister() {
    const std::int32_t bits = model_.controlBits();
    for (const ControlBit& bit : ControlBits)
        optPD1[std::size_t((bits & bit.bit) ? bit.button : bit.button ^ 1)]->setChecked(true);
}
