#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>

namespace Platform {

struct InstanceLock::Impl {
    explicit Impl(const QString& file) : lock(file), path(file) {}
    QLockFile lock;
    QString path;
};

InstanceLock::InstanceLock(const QString& name) : d_(std::make_unique<Impl>(location(name))) {
    // A holder may run for days: only a lock whose process is gone is stale.
    d_->lock.setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::location(const QString& name) {
    // The runtime folder belongs to the user and this machine.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

InstanceLock::Result InstanceLock::tryLock() {
    if (d_->lock.tryLock(0))
        return Result::Taken;
    // Only a lock held by another process is held elsewhere; a lock that
    // cannot be made at all is a failure.
    return d_->lock.error() == QLockFile::LockFailedError ? Result::HeldElsewhere : Result::Failed;
}

QString InstanceLock::description() const {
    return QStringLiteral("lock file ") + QDir::toNativeSeparators(d_->path);
}

QString InstanceLock::failure() const {
    // The system's reason why no file can be made beside the lock file: the
    // lock itself does not tell it.
    QFile probe(d_->path + QStringLiteral(".probe"));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return probe.errorString();
    probe.remove();
    return QStringLiteral("the lock cannot be taken");
}

} // namespace Platform
