#include "platform/Folders.h"

#include <QDir>
#include <QStandardPaths>

namespace Platform {

QString LockFolder() {
    // The runtime folder belongs to the user and this machine.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

} // namespace Platform
