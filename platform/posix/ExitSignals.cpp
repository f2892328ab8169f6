#include "platform/ExitSignals.h"

#include <QSocketNotifier>
#include <QtGlobal>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform {

namespace {

// The handler only writes the signal number into a socket; everything else
// happens on the event loop, where Qt may be called.
int signalSockets[2] = {-1, -1};
// SIGQUIT too: Ctrl+\ in a terminal must not leave the outputs live.
constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
constexpr int SignalCount = int(std::size(HandledSignals));
// What each signal did before; a signal found ignored is left alone.
struct sigaction previousActions[SignalCount];
bool handled[SignalCount] = {};

extern "C" void onExitSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) {
        qWarning("exit signals cannot be caught: socketpair failed");
        return;
    }
    auto* notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(signalSockets[1], &byte, 1) == 1)
            emit received(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < SignalCount; ++i) {
        struct sigaction& previous = previousActions[i];
        handled[i] = ::sigaction(HandledSignals[i], nullptr, &previous) == 0 &&
                     previous.sa_handler != SIG_IGN &&
                     ::sigaction(HandledSignals[i], &action, nullptr) == 0;
    }
}

ExitSignals::~ExitSignals() {
    if (signalSockets[0] < 0)
        return;
    for (int i = 0; i < SignalCount; ++i)
        if (handled[i])
            ::sigaction(HandledSignals[i], &previousActions[i], nullptr);
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void ExitSignals::endProcess(int status) {
    std::fflush(nullptr);
    ::_exit(status);
}

} // namespace Platform
