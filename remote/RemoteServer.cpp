#include "RemoteServer.h"

#include "QV7310.h"

#include <QEvent>
#include <QTcpSocket>

namespace {

// One connection: its socket, the line it is sending and its error queue.
// A client that goes away takes its unfinished line with it, unrun.
class RemoteClient : public QObject {
    Q_OBJECT
public:
    RemoteClient(QTcpSocket* socket, ScpiExecutor& executor, QObject* parent)
        : QObject(parent), socket_(socket), executor_(executor) {
        socket_->setParent(this);
        socket_->setReadBufferSize(ReadBufferSize);
        connect(socket_, &QTcpSocket::readyRead, this, &RemoteClient::read);
        connect(socket_, &QTcpSocket::bytesWritten, this, &RemoteClient::read);
        connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

    bool connected() const { return socket_->state() == QAbstractSocket::ConnectedState; }

private:
    // What a client may have in flight: unread commands held here, and
    // replies it has not taken yet. Past either, TCP makes it wait.
    static constexpr qint64 ReadBufferSize = 64 * 1024;
    static constexpr qint64 MaxUnreadReplies = 1024 * 1024;

    void read() {
        // A nested event loop (none is expected) must not run this client's
        // lines out of order; the outer call reads what is left.
        if (reading_)
            return;
        reading_ = true;
        // A client that sends queries but reads no replies is not read on
        // until it takes them; bytesWritten brings us back here.
        while (socket_->bytesAvailable() > 0 && socket_->bytesToWrite() < MaxUnreadReplies) {
            const QByteArray bytes = socket_->read(ReadBufferSize);
            for (const Scpi::LineFramer::Line& line :
                 framer_.feed(std::string_view(bytes.constData(), bytes.size()))) {
                if (line.tooLong) {
                    errors_.push(Scpi::Error::TooMuchData);
                    continue;
                }
                const QByteArray reply = executor_.runLine(line.text, errors_);
                if (!reply.isEmpty())
                    socket_->write(reply + '\n');
            }
        }
        reading_ = false;
    }

    QTcpSocket* socket_;
    ScpiExecutor& executor_;
    Scpi::LineFramer framer_;
    ErrorQueue errors_;
    bool reading_ = false;
};

} // namespace

RemoteServer::RemoteServer(QV7310* window, QObject* parent) : QObject(parent), executor_(window) {
    connect(&server_, &QTcpServer::newConnection, this, &RemoteServer::accept);
    window->installEventFilter(this);
}

bool RemoteServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

void RemoteServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (clientCount() >= MaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new RemoteClient(socket, executor_, this);
    }
}

bool RemoteServer::eventFilter(QObject*, QEvent* event) {
    // Before the window's own close handler runs the safe state.
    if (event->type() == QEvent::Close)
        stop();
    return false;
}

void RemoteServer::stop() {
    server_.close();
    for (RemoteClient* client : findChildren<RemoteClient*>(QString(), Qt::FindDirectChildrenOnly))
        delete client;
}

int RemoteServer::clientCount() const {
    int count = 0;
    for (const RemoteClient* client :
         findChildren<RemoteClient*>(QString(), Qt::FindDirectChildrenOnly))
        count += client->connected() ? 1 : 0;
    return count;
}

#include "RemoteServer.moc"
