// The panel model's part, board, exit choice, reset and what remote control
// reads of it. Its outputs, lines and control register are in
// PanelOutputs.cpp.
#include "PanelModel.h"

#include "BoardStatus.h"
#include "Codes.h"
#include "Converter.h"
#include "SafeOutputs.h"
#include "board/USBStuff.h"
#include "protocol/Declare.h"

namespace Request = USBStuff::BoardRequest;

static_assert(RequestHistory::Download == BoardLink::DownloadCall,
              "the history names a download as the link reports it");

PanelModel::PanelModel(BoardLink& link, QObject* parent)
    : QObject(parent), rangeVolts_(Converter::LowRangeVolts), link_(link) {
    clear();
    // First, so the history holds a call before anyone who hears of it acts.
    connect(&link_, &BoardLink::called, this,
            [this](std::int16_t request, std::int32_t value, std::int32_t index,
                   std::int16_t status) { history_.append(request, value, index, status); });
    connect(&link_, &BoardLink::serialWordWritten, this, &PanelModel::showSerialWord);
}

void PanelModel::clear() {
    partIsQuad_ = false;
    clearCodes();
    outputCode_ = {};
    controlBits_ = 0;
    ldacIsHigh_ = false;
    clrIsLow_ = false;
    resetOnExit_ = false;
    rangeVolts_ = Converter::LowRangeVolts;
    caution_ = false;
    remoteClients_ = -1;
    serialWord_.clear();
    refusal_ = {};
    limits_.forget();
    delete boardStatus_;
    boardStatus_ = new BoardStatus(link_, this);
}

void PanelModel::begin() {
    link_.open();
    ldacIsHigh_ = true;
}

void PanelModel::end() {
    link_.close();
}

void PanelModel::clearCodes() {
    pendingCode_ = 0;
    registerAddress_ = 0;
    dacCode_ = {};
}

void PanelModel::setPart(bool quad) {
    partIsQuad_ = quad;
    emit changed();
}

int PanelModel::slot(int channel) const {
    return ChannelSlots::SlotOf(partIsQuad_, channel);
}

void PanelModel::loadBoard(const MissingBoard& missing) {
    std::int16_t status = 0;
    {
        const RequestHistory::Action action(history_, Actions::Id::FirmwareDownload);
        status = USBStuff::DownloadFirmware(link_);
        if (status < 0)
            emit boardError(QStringLiteral("No Evaluation Board Found: %1").arg(status));
    }
    if (status < 0 && missing)
        missing(status);
    const RequestHistory::Action action(history_, Actions::Id::Start);
    USBStuff::PlainRequest(link_, Request::Start);
}

bool PanelModel::boardReady() const {
    return boardStatus_->state() == BoardStatus::State::Ready;
}

std::string PanelModel::boardStatus() const {
    QString text = boardStatus_->text();
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return std::to_string(boardStatus_->lastCallStatus()) + ",\"" + text.toStdString() + '"';
}

void PanelModel::reload(const MissingBoard& missing) {
    const bool wasReady = boardReady();
    loadBoard(missing);
    // A board that was missing or failed a request may hold anything, and
    // the panel may show what never reached it: once it answers again, both
    // start over from the safe state.
    if (!wasReady && boardReady())
        reset();
    emit reloaded();
}

void PanelModel::setRemoteClients(int count) {
    remoteClients_ = count;
    emit changed();
}

void PanelModel::setResetOnExit(bool reset) {
    resetOnExit_ = reset;
    // A board bridge acts on it if the panel dies without its orderly exit.
    link_.setExitChoice(reset);
    emit changed();
}

bool PanelModel::safeState() {
    const bool sent = SafeOutputs::Send(*this);
    ldacIsHigh_ = true;
    return sent;
}

void PanelModel::reset() {
    const RequestHistory::Action action(history_, Actions::Id::Reset);
    safeState();
    // As after start-up: CLR released and the board's warning off too, so
    // the board and the panel agree again.
    USBStuff::PlainRequest(link_, Request::ClrHigh);
    clrIsLow_ = false;
    USBStuff::PlainRequest(link_, Request::WarningOff);
    clearCodes();
    // The board has the control register and range of the safe state.
    controlBits_ = 0;
    rangeVolts_ = Converter::LowRangeVolts;
    outputCode_ = {};
    const bool caution = caution_;
    caution_ = false;
    if (caution)
        emit cautionChanged();
    emit changed();
}

void PanelModel::showSerialWord(std::int32_t word) {
    serialWord_ = Declare::SerialWordEcho(word);
    emit changed();
}

std::string PanelModel::identity() const {
    return std::string(Converter::Manufacturer) + ',' +
           (partIsQuad_ ? Converter::QuadPart : Converter::SinglePart) + ",0," + QV_PANEL_VERSION;
}

int PanelModel::codeForVolts(double volts) const {
    return Codes::CodeForVolts(volts, rangeVolts_);
}

std::string PanelModel::voltsForCode(int code) const {
    QString volts = Codes::FormatVolts(Converter::VoltsForCode(code, rangeVolts_));
    volts.chop(1);
    return volts.toStdString();
}

std::string PanelModel::shownVolts(int channel) const {
    QString volts = reading(slot(channel));
    volts.chop(1);
    return volts.toStdString();
}
