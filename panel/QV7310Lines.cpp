// The board's control lines: CLR and LDAC (pulse, high, low) and the range
// line (30 V or 60 V).
#include "QV7310.h"

#include "Controls.h"
#include "Converter.h"
#include "OutputLimits.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

using namespace QV7310Variables;
namespace Request = USBStuff::BoardRequest;

void QV7310::cmdCLR_Click(int Index) {
    switch (Index) {
    case ControlArrays::Pulse:
        pulseClr();
        break;
    case ControlArrays::High:
        setClr(true);
        break;
    case ControlArrays::Low:
        setClr(false);
        break;
    default:
        return;
    }
}

void QV7310::pulseClr() {
    USBStuff::PlainRequest(Request::ClrLow);
    USBStuff::PlainRequest(Request::ClrHigh);
    clrIsLow = false;
    CLRcontrols();
}

void QV7310::setClr(bool high) {
    if (high) {
        // The outputs stay at 0 until the next LDAC loads them.
        USBStuff::PlainRequest(Request::ClrHigh);
        clrIsLow = false;
        showReadingStates();
    } else {
        USBStuff::PlainRequest(Request::ClrLow);
        clrIsLow = true;
        CLRcontrols();
    }
}

void QV7310::cmdLDAC_Click(int Index) {
    switch (Index) {
    case ControlArrays::Pulse:
        pulseLdac();
        break;
    case ControlArrays::High:
        setLdac(true);
        break;
    case ControlArrays::Low:
        setLdac(false);
        break;
    default:
        return;
    }
}

void QV7310::pulseLdac() {
    if (refuseOverLimit(OutputLimits::CheckLoad(rangeVolts)))
        return;
    USBStuff::PlainRequest(Request::PulseLdac);
    ldacIsHigh = true;
    LoadOutputs();
    CheckVoltage();
}

void QV7310::setLdac(bool high) {
    if (!high && refuseOverLimit(OutputLimits::CheckLoad(rangeVolts)))
        return;
    USBStuff::PlainRequest(high ? Request::LdacHigh : Request::LdacLow);
    ldacIsHigh = high;
    // Taking LDAC high loads nothing: the readings keep what the outputs
    // hold, not codes still waiting.
    if (!high)
        LoadOutputs();
    CheckVoltage();
}

bool QV7310::ldacHigh() const {
    return ldacIsHigh;
}

void QV7310::optRANGE_Click(int Index) {
    if (Index == 0 || Index == 1)
        setRange(Index == 0 ? Converter::LowRangeVolts : Converter::HighRangeVolts);
}

void QV7310::setRange(int volts) {
    createDeferredControls();
    const bool high = volts == Converter::HighRangeVolts;
    const int to = high ? Converter::HighRangeVolts : Converter::LowRangeVolts;
    if (refuseOverLimit(OutputLimits::CheckRange(rangeVolts, to))) {
        // A click has already selected the button: the range stays.
        optRANGE[rangeVolts == Converter::HighRangeVolts ? 1 : 0]->setChecked(true);
        return;
    }
    optRANGE[high ? 1 : 0]->setChecked(true);
    rangeVolts = to;
    USBStuff::PlainRequest(high ? Request::Range60V : Request::Range30V);
    // The same codes give other volts now: the readings, lamps and warnings
    // follow at once, so 58.6 V never hides behind a 29.3 V reading.
    CheckVoltage();
}

int QV7310::range() const {
    return rangeVolts;
}
