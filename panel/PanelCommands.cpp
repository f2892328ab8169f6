// Main-window routines that more than one control or caller runs: loading a
// picked code, the safe state, and putting the panel back as after start-up.
#include "QV7310.h"

#include "Declare.h"
#include "FormLayout.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QAbstractButton>

using namespace QV7310Variables;
namespace Request = USBStuff::BoardRequest;

void QV7310::LoadCode(int Index, std::int32_t code) {
    pendingCode = code;
    if (partIsQuad) {
        static constexpr std::int32_t Addresses[5] = {
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

void QV7310::SafeState() {
    Declare::WriteSerialWord(Declare::RegisterAddress::Control);
    Declare::WriteSerialWord(Declare::RegisterAddress::AllDacs);
    USBStuff::PlainRequest(Request::PulseLdac);
    ldacIsHigh = true;
    USBStuff::PlainRequest(Request::Range30V);
}

void QV7310::ResetPanel() {
    SafeState();
    pendingCode = 0;
    registerAddress = 0;
    controlBits = 0;
    for (std::int32_t& dac : dacCode)
        dac = 0;
    CLRcontrols();
    Picture1->hide();
    // The range and control-register buttons as the form selects them; the
    // board already has the matching state from SafeState, so nothing is sent.
    for (const FormLayout::Control& control : FormLayout::MainWindowControls()) {
        const QLatin1String name(control.name);
        if (control.kind != FormLayout::Kind::OptionButton ||
            !(control.flags & FormLayout::Selected) ||
            (name != QLatin1String("optRANGE") && name != QLatin1String("optPD1")))
            continue;
        if (auto* button =
                findChild<QAbstractButton*>(FormLayout::ControlName(control.name, control.index)))
            button->setChecked(true);
    }
    // Every channel frame is on "Power-Down" again.
    for (int k = 0; k < 4; ++k)
        cmdWrite[static_cast<std::size_t>(k)]->setToolTip(QStringLiteral("DAC is powered down"));
}
