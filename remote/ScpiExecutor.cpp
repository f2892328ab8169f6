#include "ScpiExecutor.h"

#include "ScpiParser.h"
#include "measure/LinearityRun.h"
#include "model/BoardStatus.h"
#include "model/PanelModel.h"

#include <algorithm>

namespace Error = Scpi::Error;

ScpiExecutor::ScpiExecutor(PanelModel& model, QObject* parent) : QObject(parent), model_(model) {
    connect(&model.board(), &BoardStatus::requestFailed, this,
            [this](std::int16_t request, std::int16_t status) {
                fail(Error::Hardware,
                     QStringLiteral("request %1 returned status %2").arg(request).arg(status));
            });
    connect(&model, &PanelModel::boardError, this,
            [this](const QString& detail) { fail(Error::Hardware, detail); });
    connect(&model, &PanelModel::limitRefused, this,
            [this](const QString& detail) { fail(Error::DataOutOfRange, detail); });
    // Changes made at the window count as well as those made remotely.
    connect(&model.board(), &BoardStatus::changed, this, &ScpiExecutor::look);
    connect(&model, &PanelModel::cautionChanged, this, &ScpiExecutor::look);
    operation_ = Scpi::OperationCondition(model_);
    questionable_ = Scpi::QuestionableCondition(model_);
}

void ScpiExecutor::attach(Scpi::Session* session) {
    sessions_.push_back(session);
}

RequestHistory& ScpiExecutor::history() {
    return model_.history();
}

void ScpiExecutor::detach(Scpi::Session* session) {
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), session), sessions_.end());
}

void ScpiExecutor::fail(int error, const QString& detail) {
    if (running_)
        running_->error(error, detail.toStdString());
}

void ScpiExecutor::look() {
    const int operation = Scpi::OperationCondition(model_);
    const int questionable = Scpi::QuestionableCondition(model_);
    for (Scpi::Session* session : sessions_)
        session->rise(operation & ~operation_, questionable & ~questionable_);
    operation_ = operation;
    questionable_ = questionable;
}

void ScpiExecutor::setLinearity(LinearityRun* run) {
    linearity_ = run;
    connect(run, &LinearityRun::stateChanged, this, [this] {
        if (!linearity_->running())
            emit runEnded();
    });
}

ScpiExecutor::Line::Line(std::string_view line) : text(line), commands(Scpi::ParseLine(text)) {}

QByteArray ScpiExecutor::runLine(std::string_view line, Scpi::Session& session) {
    Line whole(line);
    run(whole, session, false);
    return QByteArray(whole.replies.data(), static_cast<qsizetype>(whole.replies.size()));
}

bool ScpiExecutor::waits(const Scpi::Command& command) const {
    if (!linearity_ || !linearity_->running())
        return false;
    const std::string_view spelling = Scpi::Commands[command.row].spelling;
    return (spelling == "*OPC" && command.query) || spelling == "*WAI";
}

bool ScpiExecutor::run(Line& line, Scpi::Session& session, bool mayWait) {
    running_ = &session;
    Scpi::Context context{model_, session, linearity_};
    std::string& replies = line.replies;
    for (; line.next < line.commands.size(); ++line.next) {
        const Scpi::Parsed& parsed = line.commands[line.next];
        if (mayWait && parsed.error == Error::None && waits(parsed.command)) {
            running_ = nullptr;
            return false;
        }
        if (parsed.error != Error::None) {
            session.error(parsed.error);
            break;
        }
        const std::uint64_t errors = session.errors.pushed();
        // The board requests it sends are the command's, as the client wrote it.
        const RequestHistory::Action action(model_.history(), parsed.text);
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
    line.next = line.commands.size();
    running_ = nullptr;
    return true;
}
