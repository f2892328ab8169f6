// The panel model's outputs: writes of codes, the lines, the range, the
// control register, the refresh of readings and warnings, and the limits that
// every action which could raise an output asks first.
#include "PanelModel.h"

#include "Actions.h"
#include "Codes.h"
#include "ControlRegister.h"
#include "Converter.h"
#include "board/USBStuff.h"
#include "protocol/Declare.h"

#include <cstdio>

namespace Request = USBStuff::BoardRequest;

namespace {

using Declare::ControlBit::PowerUp;
constexpr std::int32_t ThreeStateBit = Declare::ControlBit::ThreeState;

using Action = RequestHistory::Action;
static_assert(Actions::Load(PanelModel::AllChannels) == Actions::Id::WriteAll &&
                  Actions::Load(Converter::Channels) == Actions::Id::LoadDac4,
              "a write names its channel's action");

} // namespace

bool PanelModel::refused(const OutputLimits::Refusal& refusal) {
    refusal_ = refusal;
    if (!refusal.refused)
        return false;
    emit limitRefused(QString::fromStdString(OutputLimits::RemoteDetail(refusal)));
    // Views put back what a click changed before the refusal.
    emit changed();
    return true;
}

void PanelModel::setCode(int channel, int code) {
    const bool all = partIsQuad_ && channel == AllChannels;
    if (partIsQuad_ && (channel < AllChannels || channel > Converter::Channels))
        return;
    const Action action(history_, partIsQuad_ ? Actions::Load(channel) : Actions::Id::LoadDac);
    const int first = all ? 0 : slot(partIsQuad_ ? channel : 1);
    const int last = all ? Converter::Channels - 1 : first;
    // A code the limits refuse changes nothing and sends nothing.
    if (refused(limits_.checkWrite(first, last, code, rangeVolts_)))
        return;
    pendingCode_ = code;
    static constexpr std::int32_t Addresses[Converter::Channels + 1] = {
        Declare::RegisterAddress::AllDacs, Declare::RegisterAddress::Dac1,
        Declare::RegisterAddress::Dac2, Declare::RegisterAddress::Dac3,
        Declare::RegisterAddress::Dac4};
    registerAddress_ = partIsQuad_ ? Addresses[channel] : Declare::RegisterAddress::Dac1;
    for (int k = first; k <= last; ++k)
        dacCode_[std::size_t(k)] = pendingCode_;
    if (!ldacIsHigh_) {
        passWrittenCodes(first, last);
        checkVoltage();
    }
    // The word's echo tells the views, once, of the whole write.
    Declare::WriteSerialWord(link_, registerAddress_ | pendingCode_);
}

int PanelModel::code(int channel) const {
    return dacCode(slot(channel));
}

int PanelModel::shownCode(int channel) const {
    return outputCode(slot(channel));
}

void PanelModel::passWrittenCodes(int first, int last) {
    if (clrIsLow_)
        return;
    for (int k = first; k <= last; ++k)
        outputCode_[std::size_t(k)] = dacCode_[std::size_t(k)];
}

void PanelModel::checkVoltage() {
    // The caution label shows while any lamp is lit.
    bool caution = false;
    for (int k = 0; k < Converter::Channels; ++k)
        caution = caution || lampLit(k);
    if (caution != caution_) {
        caution_ = caution;
        emit cautionChanged();
    }
    // A person sees the caution no later than the board's lamp lights.
    emit changed();
    USBStuff::PlainRequest(link_, caution ? Request::WarningOn : Request::WarningOff);
}

void PanelModel::clearOutputs() {
    outputCode_ = {};
    emit changed();
}

QString PanelModel::reading(int slot) const {
    return Codes::FormatVolts(Converter::VoltsForCode(outputCode(slot), rangeVolts_));
}

bool PanelModel::lampLit(int slot) const {
    // The one caution rule: an output at the threshold or above.
    return rangeVolts_ == Converter::HighRangeVolts && outputCode(slot) >= Converter::CautionCode;
}

bool PanelModel::overLimit(int slot) const {
    return limits_.overLimit(slot, rangeVolts_);
}

void PanelModel::pulseLdac() {
    const Action action(history_, Actions::Id::PulseLdac);
    if (refused(limits_.checkLoad(rangeVolts_)))
        return;
    USBStuff::PlainRequest(link_, Request::PulseLdac);
    ldacIsHigh_ = true;
    passWrittenCodes(0, Converter::Channels - 1);
    checkVoltage();
}

void PanelModel::setLdac(bool high) {
    const Action action(history_, high ? Actions::Id::LdacHigh : Actions::Id::LdacLow);
    if (!high && refused(limits_.checkLoad(rangeVolts_)))
        return;
    USBStuff::PlainRequest(link_, high ? Request::LdacHigh : Request::LdacLow);
    ldacIsHigh_ = high;
    // Taking LDAC high loads nothing: the readings keep what the outputs
    // hold, not codes still waiting.
    if (!high)
        passWrittenCodes(0, Converter::Channels - 1);
    checkVoltage();
}

void PanelModel::pulseClr() {
    const Action action(history_, Actions::Id::PulseClr);
    USBStuff::PlainRequest(link_, Request::ClrLow);
    USBStuff::PlainRequest(link_, Request::ClrHigh);
    clrIsLow_ = false;
    clearOutputs();
}

void PanelModel::setClr(bool high) {
    const Action action(history_, high ? Actions::Id::ClrHigh : Actions::Id::ClrLow);
    USBStuff::PlainRequest(link_, high ? Request::ClrHigh : Request::ClrLow);
    clrIsLow_ = !high;
    // Taken high, the outputs stay at 0 until the next LDAC loads them.
    if (high)
        emit changed();
    else
        clearOutputs();
}

void PanelModel::setRange(int volts) {
    const int to =
        volts == Converter::HighRangeVolts ? Converter::HighRangeVolts : Converter::LowRangeVolts;
    if (refused(limits_.checkRange(rangeVolts_, to)))
        return;
    rangeVolts_ = to;
    const Action action(history_, to == Converter::HighRangeVolts ? Actions::Id::Range60V
                                                                  : Actions::Id::Range30V);
    USBStuff::PlainRequest(link_,
                           to == Converter::HighRangeVolts ? Request::Range60V : Request::Range30V);
    // The same codes give other volts now: the readings, lamps and warnings
    // follow at once, so 58.6 V never hides behind a 29.3 V reading.
    checkVoltage();
}

void PanelModel::writeControlRegister(std::int32_t bits) {
    const Action action(history_, Actions::Id::ControlRegister);
    registerAddress_ = Declare::RegisterAddress::Control;
    controlBits_ = bits;
    // The word's echo tells the views, once, of the change.
    Declare::WriteSerialWord(link_, controlBits_ | registerAddress_);
}

void PanelModel::selectControlButton(int button) {
    writeControlRegister(ControlRegister::Select(controlBits_, button));
}

void PanelModel::setPower(int channel, bool up) {
    const std::int32_t bit = PowerUp[channel - 1];
    writeControlRegister(up ? controlBits_ | bit : controlBits_ & ~bit);
}

bool PanelModel::powered(int channel) const {
    return (controlBits_ & PowerUp[channel - 1]) != 0;
}

bool PanelModel::slotPowered(int slot) const {
    // The single part's channel is its first frame's; the other slots keep
    // their own frames, hidden on that part.
    return powered(!partIsQuad_ && slot == ChannelSlots::SinglePartSlot ? 1 : slot + 1);
}

void PanelModel::setThreeState(bool on) {
    writeControlRegister(on ? controlBits_ | ThreeStateBit : controlBits_ & ~ThreeStateBit);
}

bool PanelModel::threeState() const {
    return (controlBits_ & ThreeStateBit) != 0;
}

void PanelModel::setLimit(int channel, double volts) {
    limits_.setLimit(channel, volts);
    limitSet(channel);
}

void PanelModel::setRunLimit(int channel, double volts) {
    limits_.setRunLimit(channel, volts);
    limitSet(channel);
}

void PanelModel::limitSet(int channel) {
    const int k = slot(channel);
    if (overLimit(k))
        std::fprintf(stderr,
                     "DAC%d holds %s, above its new limit of %s V: the output stays, and its "
                     "next change must come under the limit\n",
                     channel, qPrintable(reading(k)),
                     qPrintable(OutputLimits::Format(limits_.limit(channel))));
    emit changed();
}

double PanelModel::limit(int channel) const {
    return limits_.limit(channel);
}
