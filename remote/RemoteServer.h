// The remote-control server: up to eight TCP clients on the GUI thread, each
// with its own status and error queue, whose lines run in arrival order. It
// stops when the session ends, before the exit's safe state, so nothing
// reaches the board after it.
#ifndef REMOTESERVER_H
#define REMOTESERVER_H

#include "ScpiExecutor.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

class PanelModel;
class Session;

// Hands each accepted connection's descriptor over, for RemoteConnection.
class DescriptorServer : public QTcpServer {
    Q_OBJECT
signals:
    void accepted(qintptr descriptor);

protected:
    void incomingConnection(qintptr descriptor) override { emit accepted(descriptor); }
};

class RemoteServer : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxClients = 8;

    // A client that sends nothing for this long is closed; 0 never.
    static constexpr int DefaultIdleSeconds = 600;

    // Commands run on the panel model; the session's end stops the server.
    RemoteServer(PanelModel& model, Session& session, QObject* parent = nullptr);
    void setIdleSeconds(int seconds) { idleMs_ = seconds * 1000; }
    // Ends the connections while the executor they use still exists.
    ~RemoteServer() override;

    // Port 0 takes any free port; false, with errorString(), when it fails.
    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return server_.errorString(); }
    quint16 port() const { return server_.serverPort(); }
    // While held, clients wait in the system's queue (the panel starting up).
    void hold(bool held);
    // Clients connected now.
    int clientCount() const;
    // The linearity run the LINearity commands drive.
    void setLinearity(LinearityRun* run) { executor_.setLinearity(run); }

signals:
    // A client came or went; `count` as clientCount() then.
    void clientsChanged(int count);

private:
    void accept(qintptr descriptor);
    void stop();

    DescriptorServer server_;
    ScpiExecutor executor_;
    int idleMs_ = DefaultIdleSeconds * 1000;
};

#endif
