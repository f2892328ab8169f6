// The operating system's requests to end the program, handed to the GUI
// thread: on POSIX systems SIGTERM, SIGINT, SIGHUP and SIGQUIT (a signal that
// was ignored when the program started, as under nohup, stays ignored); on
// Windows, from a console, Ctrl+C, Ctrl+Break, closing the console, and the
// user logging off or the system shutting down, and the Windows session's
// end (WM_ENDSESSION). The window's own ways out (WM_CLOSE, a desktop
// session manager's request) come through Qt.
#ifndef PLATFORM_EXITSIGNALS_H
#define PLATFORM_EXITSIGNALS_H

#include <QObject>

namespace Platform {

class ExitSignals : public QObject {
    Q_OBJECT
public:
    // Only one instance at a time.
    explicit ExitSignals(QObject* parent = nullptr);
    // Gives each request back to what handled it before.
    ~ExitSignals() override;

signals:
    // On the GUI thread, once per request: the signal's number (on Windows
    // SIGINT for Ctrl+C, SIGBREAK for Ctrl+Break, SIGTERM for the others).
    void received(int signalNumber);
    // On the GUI thread: the system ends this program as soon as the
    // handling returns (Windows: the session ends, or the console closes).
    // A receiver does the exit's work, then calls endProcess().
    void ending();

public:
    // Ends this process at once with `status`: standard output and error
    // are flushed, nothing else runs.
    static void endProcess(int status);
};

} // namespace Platform

#endif
