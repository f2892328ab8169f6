#include "PanelLock.h"

#include "DialogSeam.h"

#include <cstdio>

namespace {
const QString Refusal = QStringLiteral("Another panel is already using the evaluation board.");
const QString LockName = QStringLiteral("qv7310-board");
} // namespace

PanelLock::PanelLock() : lock_(LockName) {}

QString PanelLock::lockPath() {
    return Platform::InstanceLock::location(LockName);
}

bool PanelLock::acquire(bool showBox) {
    const Platform::InstanceLock::Result result = lock_.tryLock();
    if (result == Platform::InstanceLock::Result::Taken)
        return true;
    // Only a lock held by another process is another panel; a lock that
    // cannot be made at all says what failed instead.
    const QString message =
        result == Platform::InstanceLock::Result::HeldElsewhere
            ? Refusal
            : QStringLiteral("The panel cannot make its %1 (%2), which keeps a second "
                             "panel off the evaluation board.")
                  .arg(lock_.description(), lock_.failure());
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
    if (showBox)
        DialogSeam::message(nullptr, QMessageBox::Warning, QStringLiteral("QV7301/QV7310"),
                            message);
    return false;
}
