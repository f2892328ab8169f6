// The control register page: the option button a person selects, composed
// into the word by the model and sent whole on every click; the bits shown
// back on the buttons.
#include "QV7310.h"

#include "Controls.h"
#include "model/ControlRegister.h"
#include "model/PanelModel.h"

void QV7310::optPD1_Click(int Index) {
    model_.selectControlButton(Index);
}

void QV7310::showControlRegister() {
    const std::int32_t bits = model_.controlBits();
    for (const ControlRegister::Button& button : ControlRegister::Buttons)
        optPD1[std::size_t(ControlRegister::Shown(button, bits))]->setChecked(true);
}
