// Writes of the selected code to one channel or all, and the refresh of the
// readings, lamps and caution label that follow the outputs.
#include "QV7310.h"

#include "Controls.h"
#include "model/Codes.h"
#include "model/PanelModel.h"

#include <QLineEdit>

void QV7310::cmdWrite_Click(int Index) {
    std::int32_t code = model_.pendingCode();
    for (std::size_t i = 0; i < ControlArrays::InputRows; ++i) {
        if (!InputSel[i]->isChecked())
            continue;
        // A box that cannot be read sends nothing and changes nothing.
        const Codes::Entry entry = Codes::ReadHexEntry(txtInput[i]->text());
        if (entry.result != Codes::EntryResult::Valid) {
            acceptEntry(static_cast<int>(i));
            return;
        }
        code = entry.value;
    }
    model_.load(Index, code);
    showRefusal();
}

// Besides the readings, each refresh tells the board to light or clear its own
// warning lamp, as the original refresh does: exactly one request, 230 or 231.
void QV7310::CheckVoltage() {
    model_.checkVoltage();
}

void QV7310::CLRcontrols() {
    model_.clearOutputs();
}
