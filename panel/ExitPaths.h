// Every way the program can be told to end (SIGTERM, SIGINT, SIGHUP, the
// desktop session ending, the application quitting) goes through the main
// window's close, so the safe-state sequence runs when it should. From then
// on no dialog is shown. A signal that was ignored when the program started
// (nohup) stays ignored. Where the system ends the program as soon as it has
// been told (Windows' session end, a closing console), the program ends
// itself right after that close, with its exit status.
#ifndef EXITPATHS_H
#define EXITPATHS_H

#include "platform/ExitSignals.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <functional>

class QV7310;

class ExitPaths : public QObject {
    Q_OBJECT
public:
    // Install before the window loads, so that a signal that arrives while
    // a dialog is open is handled too. Only one instance at a time.
    explicit ExitPaths(QObject* parent = nullptr);
    ~ExitPaths() override;

    void setWindow(QV7310* window);
    // True once any way out has been taken.
    bool exitRequested() const { return exitRequested_; }
    // Closes the open dialogs and the main window (loaded or still loading),
    // then quits the application.
    void requestExit();
    // What ends the event loop (QCoreApplication::quit unless replaced).
    void setQuitAction(std::function<void()> quit) { quit_ = std::move(quit); }
    // The program's exit status once it has done its exit, for when the
    // system ends it before its event loop returns.
    void setExitStatus(std::function<int()> status) { status_ = std::move(status); }

signals:
    void signalReceived(int signalNumber);

private:
    void beginExit();

    QPointer<QV7310> window_;
    Platform::ExitSignals signals_;
    bool exitRequested_ = false;
    std::function<void()> quit_ = [] { QCoreApplication::quit(); };
    std::function<int()> status_ = [] { return 0; };
};

#endif
