// Writes of the selected code to one channel or all.
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
    // The button past the four channels writes to all of them; the single
    // part's one button to its channel.
    model_.setCode(Index == ControlArrays::AllDacs
                       ? PanelModel::AllChannels
                       : ChannelSlots::ChannelOf(model_.partIsQuad(), Index),
                   code);
    showRefusal();
}
