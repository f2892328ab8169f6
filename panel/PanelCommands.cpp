// Putting the panel back as after start-up, for callers other than its
// controls (remote control's reset).
#include "QV7310.h"

#include "Controls.h"
#include "FormLayout.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QAbstractButton>

using namespace QV7310Variables;

void QV7310::ResetPanel() {
    createDeferredControls();
    SafeState();
    // As after start-up: CLR released and the board's warning off too, so
    // the board and the panel agree again.
    USBStuff::PlainRequest(USBStuff::BoardRequest::ClrHigh);
    clrIsLow = false;
    USBStuff::PlainRequest(USBStuff::BoardRequest::WarningOff);
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
    showChannelPower();
}
