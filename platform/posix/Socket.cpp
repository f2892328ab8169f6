#include "platform/Socket.h"

#include <QHostAddress>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform {

void PrepareConnection(SocketHandle socket) {
    const int fd = static_cast<int>(socket);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void AcknowledgeAtOnce([[maybe_unused]] SocketHandle socket) {
#ifdef TCP_QUICKACK
    // Linux clears the option as it goes, so it is set after every read.
    const int quick = 1;
    ::setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
#endif
}

std::ptrdiff_t Receive(SocketHandle socket, char* buffer, std::size_t size) {
    const ssize_t count = ::recv(static_cast<int>(socket), buffer, size, 0);
    if (count >= 0)
        return count;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? WouldBlock : SocketFailed;
}

std::ptrdiff_t Send(SocketHandle socket, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t sent = ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
        if (sent >= 0)
            return sent;
        if (errno != EINTR)
            return errno == EAGAIN || errno == EWOULDBLOCK ? WouldBlock : SocketFailed;
    }
}

void ShutdownSend(SocketHandle socket) {
    ::shutdown(static_cast<int>(socket), SHUT_WR);
}

void CloseSocket(SocketHandle socket) {
    ::close(static_cast<int>(socket));
}

QString PeerAddress(SocketHandle socket) {
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&peer), &size) != 0)
        return QString();
    const QHostAddress host(reinterpret_cast<const sockaddr*>(&peer));
    const bool six = peer.ss_family == AF_INET6;
    const std::uint16_t port = six ? reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port
                                   : reinterpret_cast<const sockaddr_in*>(&peer)->sin_port;
    const QString name =
        six ? QLatin1Char('[') + host.toString() + QLatin1Char(']') : host.toString();
    return name + QLatin1Char(':') + QString::number(ntohs(port));
}

} // namespace Platform
