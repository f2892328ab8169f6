#include "DmmLink.h"

#include <QTcpSocket>

DmmLink::Address DmmLink::ParseAddress(const QString& text) {
    Address a;
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('/'))) {
        a.device = true;
        a.path = t;
        a.valid = true;
        return a;
    }
    // "host", "host:port", "[v6]:port".
    const qsizetype colon = t.lastIndexOf(QLatin1Char(':'));
    const bool hasPort = colon > 0 && (t.count(QLatin1Char(':')) == 1 || t.startsWith('['));
    a.host = hasPort ? t.left(colon) : t;
    a.host.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    if (hasPort) {
        bool ok = false;
        const uint port = t.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return a;
        a.port = static_cast<quint16>(port);
    }
    a.valid = !a.host.isEmpty();
    return a;
}

DmmLink::DmmLink(QObject* parent) : QObject(parent) {
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] {
        fail(asked_.isEmpty() ? QStringLiteral("the multimeter at %1 did not connect within %2 s")
                                    .arg(address_)
                                    .arg(timeoutMs_ / 1000.0)
                              : QStringLiteral("the multimeter did not answer %1 within %2 s")
                                    .arg(QString::fromLatin1(asked_))
                                    .arg(timeoutMs_ / 1000.0));
    });
}

DmmLink::~DmmLink() {
    close();
}

void DmmLink::open(const QString& address) {
    close();
    address_ = address.trimmed();
    const Address a = ParseAddress(address);
    if (!a.valid) {
        fail(QStringLiteral("\"%1\" is not a multimeter address").arg(address_));
        return;
    }
    if (a.device) {
        QString error;
        if (device_.open(a.path, timeoutMs_, &error))
            QTimer::singleShot(0, this, [this] { emit opened(); });
        else
            fail(QStringLiteral("%1: %2").arg(a.path, error));
        return;
    }
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        timeout_.stop();
        // Each query leaves at once, not after the reply before is acknowledged.
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        emit opened();
    });
    connect(socket_, &QTcpSocket::readyRead, this, &DmmLink::socketReadable);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        fail(
            e == QAbstractSocket::RemoteHostClosedError
                ? QStringLiteral("the multimeter closed the connection")
                : QStringLiteral("the multimeter at %1: %2").arg(address_, socket_->errorString()));
    });
    timeout_.start(timeoutMs_);
    socket_->connectToHost(a.host, a.port);
}

void DmmLink::send(const QByteArray& command) {
    const QByteArray line = command + '\n';
    if (socket_) {
        socket_->write(line);
        return;
    }
    QString error;
    if (device_.isOpen() && !device_.write(line, &error))
        fail(QStringLiteral("%1 could not be sent: %2").arg(QString::fromLatin1(command), error));
}

void DmmLink::query(const QByteArray& command) {
    asked_ = command;
    if (device_.isOpen()) {
        deviceQuery(command);
        return;
    }
    timeout_.start(timeoutMs_);
    send(command);
    socketReadable(); // a reply already read
}

void DmmLink::socketReadable() {
    if (!socket_)
        return;
    pending_ += socket_->readAll();
    const qsizetype end = pending_.indexOf('\n');
    if (end < 0 || asked_.isEmpty())
        return;
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    timeout_.stop();
    asked_.clear();
    emit replied(line);
}

// The driver waits for the reply (up to the timeout set at open); the reply
// is handed on through the event loop, as a socket's would be.
void DmmLink::deviceQuery(const QByteArray& command) {
    send(command);
    if (!device_.isOpen())
        return;
    QByteArray line;
    bool timedOut = false;
    QString error;
    if (!device_.read(&line, &timedOut, &error)) {
        fail(timedOut ? QStringLiteral("the multimeter did not answer %1 within %2 s")
                            .arg(QString::fromLatin1(command))
                            .arg(timeoutMs_ / 1000.0)
                      : error);
        return;
    }
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    asked_.clear();
    QTimer::singleShot(0, this, [this, line] { emit replied(line); });
}

void DmmLink::fail(const QString& reason) {
    timeout_.stop();
    asked_.clear();
    close();
    emit failed(reason);
}

void DmmLink::close() {
    timeout_.stop();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    device_.close();
    pending_.clear();
}
