// Runs parsed remote commands on the panel model, the same rules the window's
// controls run, so the window shows every change and no other path reaches
// the board. Keeps the conditions of the status groups and latches their
// rises into every client's session.
#ifndef SCPIEXECUTOR_H
#define SCPIEXECUTOR_H

#include "ScpiCommands.h"
#include "ScpiErrors.h"
#include "ScpiParser.h"
#include "ScpiSession.h"

#include <QByteArray>
#include <QObject>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LinearityRun;
class PanelModel;
class RequestHistory;

class ScpiExecutor : public QObject {
    Q_OBJECT
public:
    explicit ScpiExecutor(PanelModel& model, QObject* parent = nullptr);

    // Runs the commands of one line in order up to the first error, which
    // ends the line; errors go to `session`. Returns the replies of its
    // queries joined by ';', empty when there are none.
    QByteArray runLine(std::string_view line, Scpi::Session& session);

    // The linearity run the LINearity commands drive; *OPC? and *WAI wait
    // for its end.
    void setLinearity(LinearityRun* run);
    // A line of a client, run as far as it can go now.
    struct Line {
        explicit Line(std::string_view line);
        std::string text;
        std::vector<Scpi::Parsed> commands; // views of `text`
        std::size_t next = 0;
        std::string replies;
    };
    // Runs `line` on from where it stopped, as runLine does; false when it
    // stopped at a *OPC? or *WAI to wait for the linearity run to end
    // (runEnded), after which it is run again; runLine runs without waiting.
    bool run(Line& line, Scpi::Session& session, bool mayWait = true);
    // A client's session gets the events from now on, until detached.
    void attach(Scpi::Session* session);
    void detach(Scpi::Session* session);
    // The model's record of board requests, for the origin of a client's lines.
    RequestHistory& history();

signals:
    void runEnded();

private:
    bool waits(const Scpi::Command& command) const;
    // Compares the conditions with the last look; rises become events.
    void look();
    // An error of the command now running, for its client.
    void fail(int error, const QString& detail);

    PanelModel& model_;
    LinearityRun* linearity_ = nullptr;
    // The session of the command now running: a failed board request during
    // it is that client's hardware error.
    Scpi::Session* running_ = nullptr;
    std::vector<Scpi::Session*> sessions_;
    int operation_ = 0;
    int questionable_ = 0;
};

#endif
