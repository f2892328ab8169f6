#include "platform/ExitSignals.h"

#include <QMetaObject>
#include <csignal>
#include <mutex>
#include <windows.h>

namespace Platform {

namespace {

// The console's handler runs on a thread of its own: it only posts the
// request to the GUI thread, under this lock, while the object lives.
std::mutex instanceLock;
ExitSignals* instance = nullptr;
// Set once the object is gone, that is once the program has done its exit.
HANDLE exitDone = nullptr;
// How long the system lets a closing console's program run on.
constexpr DWORD CloseGraceMs = 5000;

int signalFor(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
        return SIGBREAK;
    default:
        return SIGTERM;
    }
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    {
        const std::lock_guard<std::mutex> hold(instanceLock);
        if (!instance)
            return FALSE;
        ExitSignals* target = instance;
        const int number = signalFor(event);
        QMetaObject::invokeMethod(
            target, [target, number] { emit target->received(number); }, Qt::QueuedConnection);
    }
    // The system ends the program once this returns from a closing console,
    // a log-off or a shutdown: wait for the exit to be done.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        ::WaitForSingleObject(exitDone, CloseGraceMs);
    return TRUE;
}

} // namespace

ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {
    exitDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        const std::lock_guard<std::mutex> hold(instanceLock);
        instance = this;
    }
    // Without a console no event comes; the call then does no harm.
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

ExitSignals::~ExitSignals() {
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    {
        const std::lock_guard<std::mutex> hold(instanceLock);
        instance = nullptr;
    }
    ::SetEvent(exitDone);
}

} // namespace Platform
