#include "PanelLock.h"

#include "DialogSeam.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdio>

namespace {
const QString Refusal = QStringLiteral("Another panel is already using the evaluation board.");
}

PanelLock::PanelLock() : lock_(lockPath()) {
    // A panel may run for days: only a lock whose process is gone is stale.
    lock_.setStaleLockTime(0);
}

QString PanelLock::lockPath() {
    // The runtime folder belongs to the user and this machine.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/qv7310-board.lock");
}

bool PanelLock::acquire(bool showBox) {
    if (lock_.tryLock(0))
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(Refusal));
    std::fflush(stderr);
    if (showBox)
        DialogSeam::message(nullptr, QMessageBox::Warning, QStringLiteral("QV7301/QV7310"),
                            Refusal);
    return false;
}
