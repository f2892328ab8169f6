// One remote client's connection: its socket, the line it is sending, its
// status and error queue, and the replies it has not taken yet. Lines run in
// arrival order. A client that half-closes its socket after its commands
// still gets every reply before the panel closes its end; one that goes away
// takes its unfinished line with it, unrun.
#ifndef REMOTECONNECTION_H
#define REMOTECONNECTION_H

#include "LineFramer.h"
#include "ScpiExecutor.h"
#include "platform/Socket.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <deque>
#include <memory>
#include <string>

class RemoteConnection : public QObject {
    Q_OBJECT
public:
    // Takes over `descriptor`, a connected TCP socket. A client that sends
    // nothing for `idleMs` milliseconds is closed, so that an abandoned
    // connection frees its place (0: never).
    RemoteConnection(qintptr descriptor, ScpiExecutor& executor, int idleMs, QObject* parent);
    ~RemoteConnection() override;

    bool connected() const { return descriptor_ != Platform::NoSocket; }

private:
    // What a client may have in flight: unread commands held by the system,
    // and replies it has not taken yet. Past either, TCP makes it wait.
    static constexpr std::size_t ReadChunk = 64 * 1024;
    static constexpr std::size_t MaxUnreadReplies = 1024 * 1024;
    // A turn: at most this many lines, or about a millisecond of work; then
    // the other clients and the window have theirs (and a pending exit wins).
    static constexpr int LinesPerTurn = 16;
    static constexpr qint64 TurnNanoseconds = 1000000;

    void readable();
    // Runs one turn of the lines read and not yet run.
    void runTurn();
    void writable();
    // Sends what it can of the replies; false when the connection ended.
    bool flush();
    void end();
    // Who the client is in the request history: its address, after its
    // name once it gave one ("Tango (127.0.0.1:40312)").
    const QString& origin();

    Platform::SocketHandle descriptor_;
    ScpiExecutor& executor_;
    QSocketNotifier reader_;
    QSocketNotifier writer_;
    QTimer idle_;
    Scpi::LineFramer framer_;
    std::deque<Scpi::LineFramer::Line> waiting_; // read, not yet run
    // A line stopped at *OPC? or *WAI until the linearity run ends.
    std::unique_ptr<ScpiExecutor::Line> held_;
    QTimer nextTurn_;
    Scpi::Session session_;
    std::string replies_;
    // The client sent its last byte (it closed or half-closed its end).
    bool peerDone_ = false;
    bool reading_ = false;
    QString address_;
    std::string named_;
    QString origin_;
};

#endif
