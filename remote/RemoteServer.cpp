#include "RemoteServer.h"

#include "RemoteConnection.h"
#include "model/Session.h"
#include "platform/Socket.h"

RemoteServer::RemoteServer(PanelModel& model, Session& session, QObject* parent)
    : QObject(parent), executor_(model) {
    connect(&server_, &DescriptorServer::accepted, this, &RemoteServer::accept);
    connect(&session, &Session::ending, this, &RemoteServer::stop);
}

RemoteServer::~RemoteServer() {
    stop();
}

bool RemoteServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

void RemoteServer::hold(bool held) {
    if (held)
        server_.pauseAccepting();
    else
        server_.resumeAccepting();
}

void RemoteServer::accept(qintptr descriptor) {
    if (clientCount() >= MaxClients) {
        Platform::CloseSocket(descriptor);
        return;
    }
    auto* client = new RemoteConnection(descriptor, executor_, idleMs_, this);
    // Counted once the connection is gone, not while it is being destroyed.
    connect(client, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { emit clientsChanged(clientCount()); }, Qt::QueuedConnection);
    });
    emit clientsChanged(clientCount());
}

void RemoteServer::stop() {
    server_.close();
    for (RemoteConnection* client :
         findChildren<RemoteConnection*>(QString(), Qt::FindDirectChildrenOnly))
        delete client;
}

int RemoteServer::clientCount() const {
    int count = 0;
    for (const RemoteConnection* client :
         findChildren<RemoteConnection*>(QString(), Qt::FindDirectChildrenOnly))
        count += client->connected() ? 1 : 0;
    return count;
}
