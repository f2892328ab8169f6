#include "LinearityRun.h"

#include "model/BoardStatus.h"
#include "model/PanelModel.h"
#include "model/Session.h"

#include <cmath>
#include <numeric>

using Linearity::State;

LinearityRun::LinearityRun(PanelModel& model, Session& session, QObject* parent)
    : QObject(parent), model_(model) {
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, &LinearityRun::read);
    connect(&link_, &DmmLink::opened, this, &LinearityRun::opened);
    connect(&link_, &DmmLink::replied, this, &LinearityRun::replied);
    connect(&link_, &DmmLink::failed, this,
            [this](const QString& why) { finish(State::Failed, why); });
    connect(
        &model.board(), &BoardStatus::requestFailed, this,
        [this](std::int16_t request, std::int16_t status) {
            finish(
                State::Failed,
                QStringLiteral("board request %1 failed with status %2").arg(request).arg(status));
        });
    // The exit: nothing but its safe state may reach the board from now on.
    connect(&session, &Session::ending, this,
            [this] { endWithoutRestore(QStringLiteral("the panel exits")); });
}

LinearityRun::~LinearityRun() = default;

QString LinearityRun::refusal() const {
    const Linearity::Settings& s = settings_;
    if (state_ == State::Running)
        return QStringLiteral("a linearity run is in progress");
    if (s.dmm.empty())
        return QStringLiteral("no multimeter address");
    if (s.channel < 1 || s.channel > model_.channels())
        return QStringLiteral("no channel %1 on this part").arg(s.channel);
    if (s.first < 0 || s.last > 4095 || s.first >= s.last || s.step < 1)
        return QStringLiteral("codes %1 to %2 in steps of %3 are not a sweep")
            .arg(s.first)
            .arg(s.last)
            .arg(s.step);
    if (s.average < 1 || s.settleSeconds < 0 || s.timeoutSeconds <= 0)
        return QStringLiteral("readings, settle time and timeout must be positive");
    if (!model_.boardReady())
        return QStringLiteral("the board is not ready");
    if (!model_.powered(s.channel))
        return QStringLiteral("channel %1 is powered down").arg(s.channel);
    if (model_.clrIsLow())
        return QStringLiteral("CLR is held low");
    return QString();
}

std::string LinearityRun::start() {
    const QString refused = refusal();
    if (!refused.isEmpty())
        return refused.toStdString();
    ran_ = settings_;
    restoreCode_ = model_.code(ran_.channel);
    range_ = model_.range();
    total_ = (ran_.last - ran_.first) / ran_.step + 1;
    code_ = ran_.first;
    means_.clear();
    readings_.clear();
    taken_.clear();
    figures_ = Linearity::Figures();
    reason_.clear();
    identity_.clear();
    startedAt_ = QDateTime::currentDateTimeUtc();
    clock_.start();
    state_ = State::Running;
    emit stateChanged();
    emit progress(0, total_);
    link_.setTimeout(int(std::lround(ran_.timeoutSeconds * 1000)));
    link_.open(QString::fromStdString(ran_.dmm));
    return std::string();
}

void LinearityRun::abort() {
    finish(State::Aborted, QStringLiteral("cancelled"));
}

void LinearityRun::endWithoutRestore(const QString& why) {
    if (state_ != State::Running)
        return;
    restoreCode_ = -1;
    finish(State::Aborted, why);
}

void LinearityRun::opened() {
    link_.send("*CLS");
    step_ = Step::Identity;
    link_.query("*IDN?");
}

void LinearityRun::replied(const QByteArray& line) {
    if (state_ != State::Running)
        return;
    if (step_ == Step::Identity) {
        identity_ = QString::fromLatin1(line).trimmed();
        if (!ran_.setup.empty())
            link_.send(QByteArray::fromStdString(ran_.setup));
        step_ = Step::SetupError;
        link_.query("SYST:ERR?");
        return;
    }
    if (step_ == Step::SetupError) {
        bool ok = false;
        const int error = line.left(line.indexOf(',')).trimmed().toInt(&ok);
        if (!ok || error != 0) {
            finish(State::Failed,
                   QStringLiteral("the multimeter reports an error after the set-up: %1")
                       .arg(QString::fromLatin1(line)));
            return;
        }
        nextPoint();
        return;
    }
    bool ok = false;
    const double volts = line.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(volts) || std::fabs(volts) >= Linearity::NotMeasured) {
        finish(State::Failed,
               QStringLiteral("the multimeter's reply to %1 is not a reading: \"%2\"")
                   .arg(QString::fromStdString(ran_.query), QString::fromLatin1(line.left(40))));
        return;
    }
    taken_.push_back(volts);
    if (int(taken_.size()) < ran_.average) {
        read();
        return;
    }
    means_.push_back(std::accumulate(taken_.begin(), taken_.end(), 0.0) / double(taken_.size()));
    readings_.push_back(std::move(taken_));
    taken_.clear();
    emit progress(pointsDone(), total_);
    if (state_ != State::Running)
        return; // ended by whoever heard of the progress
    code_ += ran_.step;
    if (code_ > ran_.last)
        finish(State::Done, QString());
    else
        nextPoint();
}

void LinearityRun::nextPoint() {
    model_.setCode(ran_.channel, code_);
    if (state_ == State::Running && !model_.lastRefusal().refused && model_.ldacIsHigh())
        model_.pulseLdac();
    if (state_ != State::Running)
        return; // a board request failed
    if (model_.lastRefusal().refused) {
        finish(State::Done,
               QStringLiteral("ended at code %1: %2")
                   .arg(code_ - ran_.step)
                   .arg(QString::fromStdString(OutputLimits::RemoteDetail(model_.lastRefusal()))));
        return;
    }
    settle_.start(int(std::lround(ran_.settleSeconds * 1000)));
}

void LinearityRun::read() {
    step_ = Step::Reading;
    link_.query(QByteArray::fromStdString(ran_.query));
}

void LinearityRun::finish(State state, const QString& why) {
    if (state_ != State::Running)
        return;
    settle_.stop();
    link_.close();
    state_ = state;
    reason_ = why;
    figures_ = Linearity::Compute(ran_.first, ran_.step, means_, range_);
    restore();
    emit stateChanged();
}

void LinearityRun::restore() {
    if (restoreCode_ < 0 || model_.code(ran_.channel) == restoreCode_)
        return;
    model_.setCode(ran_.channel, restoreCode_);
    if (model_.ldacIsHigh())
        model_.pulseLdac();
}

double LinearityRun::secondsLeft() const {
    if (means_.empty() || state_ != State::Running)
        return -1;
    const double perPoint = double(clock_.elapsed()) / 1000.0 / double(means_.size());
    return perPoint * double(total_ - pointsDone());
}

std::string LinearityRun::resultText() const {
    return Linearity::ResultText(figures_);
}

std::string LinearityRun::dataText() const {
    std::string text;
    for (const double v : means_)
        text += (text.empty() ? "" : ",") + Linearity::Number(v);
    return text;
}
