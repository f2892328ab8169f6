#include "ExitPaths.h"

#include "DialogSeam.h"
#include "QV7310.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>
#define QV_EXIT_SIGNALS 1
#endif

#if defined(QV_EXIT_SIGNALS)
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
#endif

ExitPaths::ExitPaths(QObject* parent) : QObject(parent) {
#if defined(QV_EXIT_SIGNALS)
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) {
        qWarning("exit signals cannot be caught: socketpair failed");
    } else {
        notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &ExitPaths::readSignal);
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
#endif
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The desktop session is ending: leave the board safe before it does.
        connect(
            app, &QGuiApplication::commitDataRequest, this, [this] { requestExit(); },
            Qt::DirectConnection);
    }
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        beginExit();
        if (window_)
            window_->close();
    });
}

ExitPaths::~ExitPaths() {
#if defined(QV_EXIT_SIGNALS)
    if (notifier_) {
        for (int i = 0; i < SignalCount; ++i)
            if (handled[i])
                ::sigaction(HandledSignals[i], &previousActions[i], nullptr);
        ::close(signalSockets[0]);
        ::close(signalSockets[1]);
        signalSockets[0] = signalSockets[1] = -1;
    }
#endif
    DialogSeam::setClosing(false);
}

void ExitPaths::setWindow(QV7310* window) {
    window_ = window;
}

void ExitPaths::readSignal() {
#if defined(QV_EXIT_SIGNALS)
    unsigned char byte = 0;
    if (::read(signalSockets[1], &byte, 1) != 1)
        return;
    emit signalReceived(byte);
    requestExit();
#endif
}

void ExitPaths::beginExit() {
    exitRequested_ = true;
    DialogSeam::setClosing(true);
}

void ExitPaths::requestExit() {
    beginExit();
    // A box or dialog waiting for an answer would keep its event loop, and
    // the program, running.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    // Also while it is still loading: the window then stops loading once the
    // dialog it waits on has gone, and sends nothing.
    if (window_)
        window_->close();
    quit_();
}
