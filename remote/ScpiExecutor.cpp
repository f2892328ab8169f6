#include "ScpiExecutor.h"

#include "BoardStatus.h"
#include "Codes.h"
#include "Converter.h"
#include "DialogSeam.h"
#include "QV7310.h"
#include "ScpiParser.h"

#include <QDialog>
#include <QMessageBox>
#include <algorithm>

namespace Error = Scpi::Error;

namespace {

std::string quoted(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return '"' + escaped.toStdString() + '"';
}

} // namespace

ScpiExecutor::ScpiExecutor(QV7310* window, QObject* parent) : QObject(parent), window_(window) {
    connect(window->boardStatus(), &BoardStatus::requestFailed, this,
            [this](std::int16_t request, std::int16_t status) {
                if (running_)
                    running_->error(Error::Hardware, QStringLiteral("request %1 returned status %2")
                                                         .arg(request)
                                                         .arg(status)
                                                         .toStdString());
            });
    connect(window, &QV7310::limitRefused, this, [this](const QString& detail) {
        limitRefused_ = true;
        if (running_)
            running_->error(Error::DataOutOfRange, detail.toStdString());
    });
    // Changes made at the window count as well as those made remotely.
    connect(window->boardStatus(), &BoardStatus::changed, this, &ScpiExecutor::look);
    connect(window, &QV7310::cautionChanged, this, &ScpiExecutor::look);
    operation_ = operationCondition();
    questionable_ = questionableCondition();
}

void ScpiExecutor::attach(Scpi::Session* session) {
    sessions_.push_back(session);
}

void ScpiExecutor::detach(Scpi::Session* session) {
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), session), sessions_.end());
}

void ScpiExecutor::look() {
    if (!window_)
        return;
    const int operation = operationCondition();
    const int questionable = questionableCondition();
    for (Scpi::Session* session : sessions_)
        session->rise(operation & ~operation_, questionable & ~questionable_);
    operation_ = operation;
    questionable_ = questionable;
}

QByteArray ScpiExecutor::runLine(std::string_view line, Scpi::Session& session) {
    if (!window_)
        return QByteArray();
    // Commands reach controls of the page behind, even before it is shown.
    window_->createDeferredControls();
    // No box for a remote client: what the panel would show (a missing board
    // on a reload) goes to the queue instead.
    const DialogSeam::Handler previous = DialogSeam::setHandler([this, &session](QDialog& dialog) {
        const auto* box = qobject_cast<QMessageBox*>(&dialog);
        // A limit's refusal is queued already, as -222.
        if (!limitRefused_)
            session.error(Error::Hardware,
                          ((box ? box->text() : QString()) + dialog.windowTitle()).toStdString());
        return int(QDialog::Rejected);
    });
    running_ = &session;
    Scpi::Context context{*this, session};
    std::string replies;
    for (const Scpi::Parsed& parsed : Scpi::ParseLine(line)) {
        if (parsed.error != Error::None) {
            session.error(parsed.error);
            break;
        }
        const std::uint64_t errors = session.errors.pushed();
        limitRefused_ = false;
        bool replied = false;
        const std::string reply = Scpi::Run(context, parsed.command, replied);
        look();
        if (replied) {
            replies += (replies.empty() ? "" : ";") + reply;
            session.messageAvailable = true;
        }
        // An error ends its line: nothing after the failing command runs.
        if (session.errors.pushed() != errors)
            break;
    }
    running_ = nullptr;
    DialogSeam::setHandler(previous);
    return QByteArray(replies.data(), static_cast<qsizetype>(replies.size()));
}

std::string ScpiExecutor::identity() const {
    return std::string(Converter::Manufacturer) + ',' +
           (channels() == 4 ? Converter::QuadPart : Converter::SinglePart) + ",0," +
           QV_PANEL_VERSION;
}

int ScpiExecutor::channels() const {
    return window_->channelCount();
}

void ScpiExecutor::reset() {
    window_->ResetPanel();
}

void ScpiExecutor::setCode(int channel, int code) {
    window_->setCode(channel, code);
}

int ScpiExecutor::code(int channel) const {
    return window_->code(channel);
}

int ScpiExecutor::codeForVolts(double volts) const {
    return Codes::CodeForVolts(volts, window_->range());
}

std::string ScpiExecutor::voltsForCode(int code) const {
    QString volts = Codes::FormatVolts(Converter::VoltsForCode(code, window_->range()));
    volts.chop(1);
    return volts.toStdString();
}

std::string ScpiExecutor::shownVolts(int channel) const {
    QString volts = window_->reading(channel);
    if (volts.endsWith(QLatin1Char('V')))
        volts.chop(1);
    return volts.toStdString();
}

void ScpiExecutor::pulseLdac() {
    window_->pulseLdac();
}

void ScpiExecutor::setLdac(bool high) {
    window_->setLdac(high);
}

bool ScpiExecutor::ldacHigh() const {
    return window_->ldacHigh();
}

void ScpiExecutor::pulseClr() {
    window_->pulseClr();
}

void ScpiExecutor::setClr(bool high) {
    window_->setClr(high);
}

void ScpiExecutor::setRange(int volts) {
    window_->setRange(volts);
}

int ScpiExecutor::range() const {
    return window_->range();
}

void ScpiExecutor::setPower(int channel, bool up) {
    window_->setChannelPower(channel, up);
}

bool ScpiExecutor::powered(int channel) const {
    return window_->channelPowered(channel);
}

void ScpiExecutor::setThreeState(bool on) {
    window_->setThreeState(on);
}

bool ScpiExecutor::threeState() const {
    return window_->threeState();
}

std::string ScpiExecutor::serialWord() const {
    return window_->serialWord().toStdString();
}

std::string ScpiExecutor::boardStatus() const {
    const BoardStatus* status = window_->boardStatus();
    return std::to_string(status->lastCallStatus()) + ',' + quoted(status->text());
}

bool ScpiExecutor::boardReady() const {
    return window_->boardStatus()->state() == BoardStatus::State::Ready;
}

void ScpiExecutor::reload() {
    window_->reload();
}

void ScpiExecutor::setLimit(int channel, double volts) {
    window_->setLimit(channel, volts);
}

double ScpiExecutor::limit(int channel) const {
    return window_->limit(channel);
}

int ScpiExecutor::operationCondition() const {
    return window_->cautionShown() ? Scpi::Condition::Caution : 0;
}

int ScpiExecutor::questionableCondition() const {
    return boardReady() ? 0 : Scpi::Condition::BoardNotReady;
}
