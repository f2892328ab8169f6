#include "platform/Folders.h"

#include <QDir>
#include <QStandardPaths>

namespace Platform {

QString LockFolder() {
    // %LOCALAPPDATA%: the user's own, and not carried to other machines.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

} // namespace Platform
