// The board's control lines: CLR and LDAC (pulse, high, low) and the range
// line (30 V or 60 V).
#include "QV7310.h"

#include "QV7310Variables.h"
#include "USBStuff.h"

using namespace QV7310Variables;
namespace Request = USBStuff::BoardRequest;

void QV7310::cmdCLR_Click(int Index) {
    switch (Index) {
    case 0:
        USBStuff::PlainRequest(Request::ClrLow);
        USBStuff::PlainRequest(Request::ClrHigh);
        clrIsLow = false;
        CLRcontrols();
        break;
    case 1:
        // The outputs stay at 0 until the next LDAC loads them.
        USBStuff::PlainRequest(Request::ClrHigh);
        clrIsLow = false;
        break;
    case 2:
        USBStuff::PlainRequest(Request::ClrLow);
        clrIsLow = true;
        CLRcontrols();
        break;
    default:
        return;
    }
}

void QV7310::cmdLDAC_Click(int Index) {
    switch (Index) {
    case 0:
        USBStuff::PlainRequest(Request::PulseLdac);
        ldacIsHigh = true;
        LoadOutputs();
        break;
    case 1:
        // Taking LDAC high loads nothing: the readings keep what the outputs
        // hold, not codes still waiting.
        USBStuff::PlainRequest(Request::LdacHigh);
        ldacIsHigh = true;
        break;
    case 2:
        USBStuff::PlainRequest(Request::LdacLow);
        ldacIsHigh = false;
        LoadOutputs();
        break;
    default:
        return;
    }
    CheckVoltage();
}

void QV7310::optRANGE_Click(int Index) {
    if (Index == 0)
        USBStuff::PlainRequest(Request::Range30V);
    else if (Index == 1)
        USBStuff::PlainRequest(Request::Range60V);
    else
        return;
    // The same codes give other volts now: the readings, lamps and warnings
    // follow at once, so 58.6 V never hides behind a 29.3 V reading.
    CheckVoltage();
}
