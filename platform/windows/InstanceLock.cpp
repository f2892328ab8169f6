#include "platform/InstanceLock.h"

#include <windows.h>

namespace Platform {

struct InstanceLock::Impl {
    QString name;
    HANDLE mutex = nullptr;
    DWORD error = 0;
};

InstanceLock::InstanceLock(const QString& name) : d_(std::make_unique<Impl>()) {
    d_->name = location(name);
}

InstanceLock::~InstanceLock() {
    if (d_->mutex)
        ::CloseHandle(d_->mutex);
}

QString InstanceLock::location(const QString& name) {
    // Per logon session: the user's own, on this machine.
    return QStringLiteral("Local\\") + name;
}

InstanceLock::Result InstanceLock::tryLock() {
    // Holding a handle is the lock: the mutex exists while any process has
    // one open, and the system closes them when the process ends.
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, d_->name.toStdWString().c_str());
    d_->error = ::GetLastError();
    if (!mutex)
        return d_->error == ERROR_ACCESS_DENIED ? Result::HeldElsewhere : Result::Failed;
    if (d_->error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return Result::HeldElsewhere;
    }
    if (d_->mutex)
        ::CloseHandle(d_->mutex);
    d_->mutex = mutex;
    return Result::Taken;
}

QString InstanceLock::description() const {
    return QStringLiteral("lock ") + d_->name;
}

QString InstanceLock::failure() const {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, d_->error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString why = length ? QString::fromWCharArray(text, int(length)).trimmed()
                               : QStringLiteral("error %1").arg(d_->error);
    ::LocalFree(text);
    return why;
}

} // namespace Platform
