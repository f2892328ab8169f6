#include "platform/ExitSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <windows.h>

namespace Platform {

namespace {

// The console's handler runs on a thread of its own: it only posts the
// request to the GUI thread, under this lock, while the object lives.
std::mutex instanceLock;
ExitSignals* instance = nullptr;
// How long the system lets a closing console's program run on.
constexpr DWORD CloseGraceMs = 5000;

BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    {
        const std::lock_guard<std::mutex> hold(instanceLock);
        // Once the object is gone the exit is under way: nothing more to do.
        if (!instance)
            return TRUE;
        ExitSignals* target = instance;
        const int number = event == CTRL_C_EVENT ? SIGINT : SIGBREAK;
        if (interrupt)
            QMetaObject::invokeMethod(
                target, [target, number] { emit target->received(number); }, Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(
                target, [target] { emit target->ending(); }, Qt::QueuedConnection);
    }
    // The system ends the program once this returns from a closing console,
    // a log-off or a shut-down: the GUI thread ends it first, when its exit
    // is done.
    if (!interrupt)
        ::Sleep(CloseGraceMs);
    return TRUE;
}

// WM_QUERYENDSESSION is answered yes; at WM_ENDSESSION the exit is done and
// the process ended before the system does it. A session's end that was
// called off leaves the panel as it was.
class SessionEnd : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
        if (type != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_QUERYENDSESSION) {
            *result = TRUE;
            return true;
        }
        if (msg->message != WM_ENDSESSION)
            return false;
        *result = 0;
        if (msg->wParam && instance)
            emit instance->ending();
        return true;
    }
};

SessionEnd sessionEnd;

} // namespace

ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {
    {
        const std::lock_guard<std::mutex> hold(instanceLock);
        instance = this;
    }
    // Without a console no event comes; the call then does no harm.
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(&sessionEnd);
}

// The console's handler stays registered: taking it back would wait for a
// handler still running on its thread.
ExitSignals::~ExitSignals() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(&sessionEnd);
    const std::lock_guard<std::mutex> hold(instanceLock);
    instance = nullptr;
}

void ExitSignals::endProcess(int status) {
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
}

} // namespace Platform
