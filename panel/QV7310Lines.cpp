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
        CLRcontrols();
        break;
    case 1:
        USBStuff::PlainRequest(Request::ClrHigh);
        break;
    case 2:
        USBStuff::PlainRequest(Request::ClrLow);
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
        break;
    case 1:
        USBStuff::PlainRequest(Request::LdacHigh);
        ldacIsHigh = true;
        break;
    case 2:
        USBStuff::PlainRequest(Request::LdacLow);
        ldacIsHigh = false;
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
}
