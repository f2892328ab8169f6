#include "ExitPaths.h"

#include "DialogSeam.h"
#include "QV7310.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

ExitPaths::ExitPaths(QObject* parent) : QObject(parent) {
    connect(&signals_, &Platform::ExitSignals::received, this, [this](int signalNumber) {
        emit signalReceived(signalNumber);
        requestExit();
    });
    // The system ends the program once this returns: the exit's work first,
    // then the program ends itself with the status it would have given.
    connect(
        &signals_, &Platform::ExitSignals::ending, this,
        [this] {
            requestExit();
            Platform::ExitSignals::endProcess(status_());
        },
        Qt::DirectConnection);
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
    DialogSeam::setClosing(false);
}

void ExitPaths::setWindow(QV7310* window) {
    window_ = window;
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
