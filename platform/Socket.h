// A connected TCP socket, as the remote server's connections use it: taken
// over from QTcpServer as its native handle and served without QTcpSocket,
// which closes both directions as soon as the client closes its sending one.
#ifndef PLATFORM_SOCKET_H
#define PLATFORM_SOCKET_H

#include <QString>
#include <QtGlobal>
#include <cstddef>

namespace Platform {

using SocketHandle = qintptr;
constexpr SocketHandle NoSocket = -1;

// What Receive and Send return besides a count of bytes.
constexpr std::ptrdiff_t WouldBlock = -1;   // nothing now; wait for the notifier
constexpr std::ptrdiff_t SocketFailed = -2; // the connection is gone

// Non-blocking, and each reply leaves at once rather than after the client's
// acknowledgement of the one before (no Nagle).
void PrepareConnection(SocketHandle socket);
// Acknowledges what was read at once, where the system has a way to: a write
// has no reply to carry the ACK, and a client's Nagle algorithm would hold
// its next line until the delayed ACK came (40 ms and more).
void AcknowledgeAtOnce(SocketHandle socket);
// Bytes read (> 0), 0 when the client sent its last byte, or WouldBlock or
// SocketFailed.
std::ptrdiff_t Receive(SocketHandle socket, char* buffer, std::size_t size);
// Bytes sent (>= 0), or WouldBlock or SocketFailed; never a signal.
std::ptrdiff_t Send(SocketHandle socket, const char* data, std::size_t size);
// Closes the sending direction only: the client reads to its end.
void ShutdownSend(SocketHandle socket);
void CloseSocket(SocketHandle socket);
// "127.0.0.1:40312", "[::1]:40312"; empty when the system cannot tell.
QString PeerAddress(SocketHandle socket);

} // namespace Platform

#endif
