#include "RemoteConnection.h"

#include "board/USBStuff.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// "127.0.0.1:40312", "[::1]:40312"; empty when the system cannot tell.
QString peerAddress(int descriptor) {
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &size) != 0)
        return QString();
    const QHostAddress host(reinterpret_cast<const sockaddr*>(&peer));
    const bool six = peer.ss_family == AF_INET6;
    const std::uint16_t port = six ? reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port
                                   : reinterpret_cast<const sockaddr_in*>(&peer)->sin_port;
    const QString name =
        six ? QLatin1Char('[') + host.toString() + QLatin1Char(']') : host.toString();
    return name + QLatin1Char(':') + QString::number(ntohs(port));
}

} // namespace

// The socket is handled here rather than by QTcpSocket, which closes both
// directions as soon as the client closes its sending one: a client that
// sends its commands and half-closes would never see its replies.

RemoteConnection::RemoteConnection(qintptr descriptor, ScpiExecutor& executor, int idleMs,
                                   QObject* parent)
    : QObject(parent), descriptor_(static_cast<int>(descriptor)), executor_(executor),
      reader_(descriptor, QSocketNotifier::Read), writer_(descriptor, QSocketNotifier::Write) {
    ::fcntl(descriptor_, F_SETFL, ::fcntl(descriptor_, F_GETFL) | O_NONBLOCK);
    // A reply leaves at once, not after the client's acknowledgement of the
    // one before.
    const int on = 1;
    ::setsockopt(descriptor_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    writer_.setEnabled(false);
    address_ = peerAddress(descriptor_);
    origin_ = address_;
    executor_.attach(&session_);
    connect(&reader_, &QSocketNotifier::activated, this, &RemoteConnection::readable);
    connect(&writer_, &QSocketNotifier::activated, this, &RemoteConnection::writable);
    nextTurn_.setSingleShot(true);
    nextTurn_.setInterval(0);
    connect(&nextTurn_, &QTimer::timeout, this, &RemoteConnection::runTurn);
    if (idleMs > 0) {
        idle_.setSingleShot(true);
        idle_.setInterval(idleMs);
        connect(&idle_, &QTimer::timeout, this, [this] {
            if (descriptor_ >= 0)
                end();
        });
        idle_.start();
    }
}

RemoteConnection::~RemoteConnection() {
    executor_.detach(&session_);
    reader_.setEnabled(false);
    writer_.setEnabled(false);
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

void RemoteConnection::readable() {
    // A nested event loop (none is expected) must not run this client's
    // lines out of order; the outer call reads what is left.
    if (reading_ || descriptor_ < 0)
        return;
    reading_ = true;
    if (idle_.interval() > 0)
        idle_.start();
    // One chunk per notification; its lines run in turns.
    char buffer[ReadChunk];
    const ssize_t count = ::recv(descriptor_, buffer, sizeof buffer, 0);
#ifdef TCP_QUICKACK
    // Acknowledged at once: a write has no reply to carry the ACK, and a
    // client's Nagle algorithm would hold its next line until the delayed
    // ACK came (40 ms and more). Linux clears the option as it goes, so it
    // is set after every read.
    const int quick = 1;
    ::setsockopt(descriptor_, IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
#endif
    if (count > 0) {
        for (Scpi::LineFramer::Line& line :
             framer_.feed(std::string_view(buffer, static_cast<std::size_t>(count))))
            waiting_.push_back(std::move(line));
    } else if (count == 0) {
        peerDone_ = true;
        reader_.setEnabled(false);
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        reading_ = false;
        end();
        return;
    }
    reading_ = false;
    runTurn();
}

void RemoteConnection::runTurn() {
    if (reading_ || descriptor_ < 0)
        return;
    reading_ = true;
    QElapsedTimer clock;
    clock.start();
    for (int lines = 0; !waiting_.empty() && lines < LinesPerTurn &&
                        (lines == 0 || clock.nsecsElapsed() < TurnNanoseconds);
         ++lines) {
        const Scpi::LineFramer::Line line = std::move(waiting_.front());
        waiting_.pop_front();
        if (line.tooLong) {
            session_.error(Scpi::Error::TooMuchData);
            continue;
        }
        session_.messageAvailable = !replies_.empty();
        const RequestHistory::Origin from(USBStuff::History(), origin());
        const QByteArray reply = executor_.runLine(line.text, session_);
        if (!reply.isEmpty()) {
            replies_.append(reply.constData(), static_cast<std::size_t>(reply.size()));
            replies_ += '\n';
        }
    }
    reading_ = false;
    if (flush() && !waiting_.empty())
        nextTurn_.start(); // after the others, through the event loop
}

const QString& RemoteConnection::origin() {
    if (session_.client != named_) {
        named_ = session_.client;
        origin_ = named_.empty() ? address_
                                 : QString::fromStdString(named_) + QStringLiteral(" (") +
                                       address_ + QLatin1Char(')');
    }
    return origin_;
}

void RemoteConnection::writable() {
    flush();
}

bool RemoteConnection::flush() {
    while (!replies_.empty()) {
        const ssize_t sent = ::send(descriptor_, replies_.data(), replies_.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                end();
                return false;
            }
            break;
        }
        replies_.erase(0, static_cast<std::size_t>(sent));
    }
    writer_.setEnabled(!replies_.empty());
    if (peerDone_ && replies_.empty() && waiting_.empty()) {
        // Everything the client sent has run and been answered.
        ::shutdown(descriptor_, SHUT_WR);
        end();
        return false;
    }
    // A client that sends queries but takes no replies is not read on
    // until it takes them, nor one whose lines still wait for their turns.
    reader_.setEnabled(!peerDone_ && replies_.size() < MaxUnreadReplies && waiting_.empty());
    return true;
}

void RemoteConnection::end() {
    reader_.setEnabled(false);
    writer_.setEnabled(false);
    ::close(descriptor_);
    descriptor_ = -1;
    deleteLater();
}
