// The board's control lines: CLR and LDAC (pulse, high, low) and the range
// line (30 V or 60 V).
#include "QV7310.h"

#include "Controls.h"
#include "model/Converter.h"
#include "model/PanelModel.h"

void QV7310::cmdCLR_Click(int Index) {
    switch (Index) {
    case ControlArrays::Pulse:
        model_.pulseClr();
        break;
    case ControlArrays::High:
    case ControlArrays::Low:
        model_.setClr(Index == ControlArrays::High);
        break;
    default:
        break;
    }
}

void QV7310::cmdLDAC_Click(int Index) {
    switch (Index) {
    case ControlArrays::Pulse:
        model_.pulseLdac();
        break;
    case ControlArrays::High:
    case ControlArrays::Low:
        model_.setLdac(Index == ControlArrays::High);
        break;
    default:
        return;
    }
    showRefusal();
}

void QV7310::optRANGE_Click(int Index) {
    if (Index != 0 && Index != 1)
        return;
    model_.setRange(Index == 0 ? Converter::LowRangeVolts : Converter::HighRangeVolts);
    // A refusal leaves the range, and the buttons show it again.
    showRefusal();
}
