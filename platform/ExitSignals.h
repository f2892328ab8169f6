// The operating system's requests to end the program, handed to the GUI
// thread: on POSIX systems SIGTERM, SIGINT, SIGHUP and SIGQUIT (a signal that
// was ignored when the program started, as under nohup, stays ignored); on
// Windows, from a console, Ctrl+C, Ctrl+Break, closing the console, and the
// user logging off or the system shutting down. The window's own ways out
// (WM_CLOSE, the desktop session's end) come through Qt.
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
};

} // namespace Platform

#endif
