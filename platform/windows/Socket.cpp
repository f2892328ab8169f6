#include "platform/Socket.h"

#include <QHostAddress>
#include <climits>
#include <cstdint>
#include <winsock2.h>
// After winsock2.h, which it needs.
#include <mstcpip.h>
#include <ws2tcpip.h>

namespace Platform {

namespace {
SOCKET native(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

// One call moves at most an int's worth.
int chunk(std::size_t size) {
    return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}
} // namespace

void PrepareConnection(SocketHandle socket) {
    u_long on = 1;
    ::ioctlsocket(native(socket), FIONBIO, &on);
    const BOOL noDelay = TRUE;
    ::setsockopt(native(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                 sizeof noDelay);
    // Every segment acknowledged at once: a write has no reply to carry the
    // ACK, and a client's Nagle algorithm would hold its next line until the
    // delayed ACK came (200 ms by default on Windows). Systems without the
    // option keep their delayed ACK.
    DWORD frequency = 1, returned = 0;
    ::WSAIoctl(native(socket), SIO_TCP_SET_ACK_FREQUENCY, &frequency, sizeof frequency, nullptr, 0,
               &returned, nullptr, nullptr);
}

void AcknowledgeAtOnce(SocketHandle) {
    // Set once for the connection (PrepareConnection).
}

std::ptrdiff_t Receive(SocketHandle socket, char* buffer, std::size_t size) {
    const int count = ::recv(native(socket), buffer, chunk(size), 0);
    if (count != SOCKET_ERROR)
        return count;
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR ? WouldBlock : SocketFailed;
}

std::ptrdiff_t Send(SocketHandle socket, const char* data, std::size_t size) {
    // Winsock raises no signal for a connection that is gone.
    for (;;) {
        const int sent = ::send(native(socket), data, chunk(size), 0);
        if (sent != SOCKET_ERROR)
            return sent;
        const int error = ::WSAGetLastError();
        if (error != WSAEINTR)
            return error == WSAEWOULDBLOCK ? WouldBlock : SocketFailed;
    }
}

void ShutdownSend(SocketHandle socket) {
    ::shutdown(native(socket), SD_SEND);
}

void CloseSocket(SocketHandle socket) {
    ::closesocket(native(socket));
}

QString PeerAddress(SocketHandle socket) {
    sockaddr_storage peer{};
    int size = sizeof peer;
    if (::getpeername(native(socket), reinterpret_cast<sockaddr*>(&peer), &size) != 0)
        return QString();
    const QHostAddress host(reinterpret_cast<const sockaddr*>(&peer));
    const bool six = peer.ss_family == AF_INET6;
    const std::uint16_t port = six ? reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port
                                   : reinterpret_cast<const sockaddr_in*>(&peer)->sin_port;
    const QString name =
        six ? QLatin1Char('[') + host.toString() + QLatin1Char(']') : host.toString();
    return name + QLatin1Char(':') + QString::number(::ntohs(port));
}

} // namespace Platform
