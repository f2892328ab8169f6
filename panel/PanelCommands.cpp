// The typed commands and queries that no single control's file holds, and
// putting the panel back as after start-up (remote control's reset).
#include "QV7310.h"

#include "BoardStatus.h"
#include "Controls.h"
#include "Converter.h"
#include "FormLayout.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QEvent>
#include <QLabel>

using namespace QV7310Variables;

void QV7310::ResetPanel() {
    createDeferredControls();
    SafeState();
    // As after start-up: CLR released and the board's warning off too, so
    // the board and the panel agree again.
    USBStuff::PlainRequest(USBStuff::BoardRequest::ClrHigh);
    clrIsLow = false;
    USBStuff::PlainRequest(USBStuff::BoardRequest::WarningOff);
    ClearCodes();
    controlBits = 0;
    rangeVolts = Converter::LowRangeVolts;
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

int QV7310::channelCount() const {
    return partIsQuad ? int(ControlArrays::Channels) : 1;
}

int QV7310::slot(int channel) const {
    return partIsQuad ? channel - 1 : ControlArrays::SinglePartSlot;
}

void QV7310::setCode(int channel, std::int32_t code) {
    LoadCode(channel == 0 ? ControlArrays::AllDacs : slot(channel), code);
}

std::int32_t QV7310::code(int channel) const {
    return dacCode[static_cast<std::size_t>(slot(channel))];
}

QString QV7310::reading(int channel) const {
    const_cast<QV7310*>(this)->createDeferredControls();
    return lblVoltage[static_cast<std::size_t>(slot(channel))]->text();
}

void QV7310::reload() {
    const bool wasReady = boardStatus_->state() == BoardStatus::State::Ready;
    LoadUSB();
    // A board that was missing or failed a request may hold anything, and
    // the panel may show what never reached it: once it answers again, both
    // start over from the safe state.
    if (!wasReady && boardStatus_->state() == BoardStatus::State::Ready)
        ResetPanel();
}

QString QV7310::serialWord() const {
    return Label1[0]->text();
}

bool QV7310::cautionShown() const {
    const_cast<QV7310*>(this)->createDeferredControls();
    return !Picture1->isHidden();
}

bool QV7310::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture1 &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        // Its showing is announced as an alert, as a warning should be.
        if (event->type() == QEvent::ShowToParent) {
            QAccessibleEvent alert(Picture1, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
        emit cautionChanged();
    }
    return QMainWindow::eventFilter(watched, event);
}
