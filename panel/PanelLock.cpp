#include "PanelLock.h"

#include "DialogSeam.h"
#include "platform/Folders.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {
const QString Refusal = QStringLiteral("Another panel is already using the evaluation board.");

// The system's reason why no file can be made beside the lock file: the lock
// itself does not tell it.
QString whyNoFile() {
    QFile probe(PanelLock::lockPath() + QStringLiteral(".probe"));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return probe.errorString();
    probe.remove();
    return QStringLiteral("the lock cannot be taken");
}
} // namespace

PanelLock::PanelLock() : lock_(lockPath()) {
    // A panel may run for days: only a lock whose process is gone is stale.
    lock_.setStaleLockTime(0);
}

QString PanelLock::lockPath() {
    return Platform::LockFolder() + QStringLiteral("/qv7310-board.lock");
}

bool PanelLock::acquire(bool showBox) {
    if (lock_.tryLock(0))
        return true;
    // Only a lock held by another process is another panel; a lock that
    // cannot be made at all says what failed instead.
    const QString message =
        lock_.error() == QLockFile::LockFailedError
            ? Refusal
            : QStringLiteral("The panel cannot make its lock file %1 (%2), which keeps a second "
                             "panel off the evaluation board.")
                  .arg(QDir::toNativeSeparators(lockPath()), whyNoFile());
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
    if (showBox)
        DialogSeam::message(nullptr, QMessageBox::Warning, QStringLiteral("QV7301/QV7310"),
                            message);
    return false;
}
