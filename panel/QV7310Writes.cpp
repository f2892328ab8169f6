// Writes of the selected code to one channel or all, and the voltage labels,
// lamps and caution label that follow the loaded codes.
#include "QV7310.h"

#include "Codes.h"
#include "Controls.h"
#include "Converter.h"
#include "Declare.h"
#include "OutputLimits.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QLabel>
#include <QLineEdit>

using namespace QV7310Variables;
namespace Request = USBStuff::BoardRequest;

void QV7310::cmdWrite_Click(int Index) {
    createDeferredControls();
    for (std::size_t i = 0; i < ControlArrays::InputRows; ++i) {
        if (!InputSel[i]->isChecked())
            continue;
        // A box that cannot be read sends nothing and changes nothing.
        const Codes::Entry entry = Codes::ReadHexEntry(txtInput[i]->text());
        if (entry.result != Codes::EntryResult::Valid) {
            acceptEntry(static_cast<int>(i));
            return;
        }
        pendingCode = entry.value;
    }
    LoadCode(Index, pendingCode);
}

void QV7310::LoadCode(int Index, std::int32_t code) {
    {
        // A code the limits refuse changes nothing and sends nothing.
        const bool all = partIsQuad && Index == ControlArrays::AllDacs;
        const int slot = partIsQuad ? Index : ControlArrays::SinglePartSlot;
        if (refuseOverLimit(OutputLimits::CheckWrite(
                all ? 0 : slot, all ? ControlArrays::AllDacs - 1 : slot, code, rangeVolts)))
            return;
    }
    pendingCode = code;
    if (partIsQuad) {
        static constexpr std::int32_t Addresses[ControlArrays::WriteButtons] = {
            Declare::RegisterAddress::Dac1, Declare::RegisterAddress::Dac2,
            Declare::RegisterAddress::Dac3, Declare::RegisterAddress::Dac4,
            Declare::RegisterAddress::AllDacs};
        if (Index < 0 || Index > ControlArrays::AllDacs)
            return;
        registerAddress = Addresses[Index];
    } else {
        registerAddress = Declare::RegisterAddress::Dac1;
        Index = ControlArrays::SinglePartSlot;
    }
    const bool all = Index == ControlArrays::AllDacs;
    const int first = all ? 0 : Index;
    const int last = all ? int(ControlArrays::Channels) - 1 : Index;
    for (int k = first; k <= last; ++k)
        dacCode[k] = pendingCode;
    if (!ldacIsHigh) {
        PassWrittenCodes(first, last);
        CheckVoltage();
    }
    Declare::WriteSerialWord(registerAddress | pendingCode);
    showReadingStates();
}

// Besides the readings, each refresh tells the board to light or clear its own
// warning lamp, as the original refresh does: exactly one request, 230 or 231.
void QV7310::CheckVoltage() {
    createDeferredControls();
    if (rangeVolts == Converter::LowRangeVolts) {
        Picture1->hide();
        USBStuff::PlainRequest(Request::WarningOff);
        for (PictureBox* lamp : HVLED)
            lamp->hide();
    } else {
        bool highVoltage = false;
        for (std::int32_t code : outputCode)
            highVoltage = highVoltage || code >= Converter::CautionCode;
        if (highVoltage) {
            Picture1->show();
            USBStuff::PlainRequest(Request::WarningOn);
        } else {
            Picture1->hide();
            USBStuff::PlainRequest(Request::WarningOff);
        }
        for (std::size_t i = 0; i < ControlArrays::Channels; ++i)
            HVLED[i]->setVisible(outputCode[i] >= Converter::CautionCode);
    }
    for (std::size_t i = 0; i < ControlArrays::Channels; ++i)
        lblVoltage[i]->setText(
            Codes::FormatVolts(Converter::VoltsForCode(outputCode[i], rangeVolts)));
    showOverLimit();
}

void QV7310::CLRcontrols() {
    createDeferredControls();
    ClearOutputs();
    for (PictureBox* lamp : HVLED)
        lamp->hide();
    for (QLabel* label : lblVoltage)
        label->setText(QStringLiteral("0.0000V"));
    showOverLimit();
}
