#include "RemoteServer.h"

#include "RemoteConnection.h"
#include "RepaintPacer.h"
#include "model/PanelModel.h"
#include "platform/Socket.h"

#include <QEvent>

RemoteServer::RemoteServer(QWidget* window, QObject* parent)
    : QObject(parent), executor_(PanelModel::instance()) {
    connect(&server_, &DescriptorServer::accepted, this, &RemoteServer::accept);
    window->installEventFilter(this);
    // Remote clients change the window far faster than a display shows.
    new RepaintPacer(window);
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

bool RemoteServer::eventFilter(QObject*, QEvent* event) {
    // Before the window's own close handler runs the safe state.
    if (event->type() == QEvent::Close)
        stop();
    return false;
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
