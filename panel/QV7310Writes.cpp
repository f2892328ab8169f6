// Writes of the selected code to one channel or all, and the voltage labels,
// lamps and caution label that follow the loaded codes.
#include "QV7310.h"

#include "Codes.h"
#include "Controls.h"
#include "Declare.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QLabel>
#include <QLineEdit>

using namespace QV7310Variables;
namespace Request = USBStuff::BoardRequest;

namespace {
constexpr std::int32_t HighVoltageCode = 3414; // 50.01 V in the 60 V range
} // namespace

void QV7310::cmdWrite_Click(int Index) {
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
    pendingCode = code;
    if (partIsQuad) {
        static constexpr std::int32_t Addresses[ControlArrays::WriteButtons] = {
            Declare::RegisterAddress::Dac1, Declare::RegisterAddress::Dac2,
            Declare::RegisterAddress::Dac3, Declare::RegisterAddress::Dac4,
            Declare::RegisterAddress::AllDacs};
        if (Index < 0 || Index > 4)
            return;
        registerAddress = Addresses[Index];
        if (Index == 4) {
            for (std::int32_t& dac : dacCode)
                dac = pendingCode;
        } else {
            dacCode[Index] = pendingCode;
        }
    } else {
        registerAddress = Declare::RegisterAddress::Dac1;
        dacCode[2] = pendingCode;
    }
    if (!ldacIsHigh)
        CheckVoltage();
    Declare::WriteSerialWord(registerAddress | pendingCode);
}

void QV7310::CheckVoltage() {
    float voltsPerCode;
    if (optRANGE[0]->isChecked()) {
        Picture1->hide();
        USBStuff::PlainRequest(Request::WarningOff);
        voltsPerCode = 30.0f / 4096.0f;
        for (PictureBox* lamp : HVLED)
            lamp->hide();
    } else {
        voltsPerCode = 60.0f / 4096.0f;
        bool highVoltage = false;
        for (std::int32_t code : dacCode)
            highVoltage = highVoltage || code >= HighVoltageCode;
        if (highVoltage) {
            Picture1->show();
            USBStuff::PlainRequest(Request::WarningOn);
        } else {
            Picture1->hide();
            USBStuff::PlainRequest(Request::WarningOff);
        }
        for (std::size_t i = 0; i < ControlArrays::Channels; ++i)
            HVLED[i]->setVisible(dacCode[i] >= HighVoltageCode);
    }
    for (std::size_t i = 0; i < ControlArrays::Channels; ++i)
        lblVoltage[i]->setText(Codes::FormatVolts(static_cast<double>(dacCode[i]) *
                                                  static_cast<double>(voltsPerCode)));
}

void QV7310::CLRcontrols() {
    for (PictureBox* lamp : HVLED)
        lamp->hide();
    for (QLabel* label : lblVoltage)
        label->setText(QStringLiteral("0.0000V"));
}
