#include "platform/InstrumentDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace Platform {

namespace {
QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

bool InstrumentDevice::open(const QString& path, int timeoutMs, QString* error) {
    close();
    handle_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    if (handle_ < 0) {
        *error = systemError();
        return false;
    }
    unsigned int ms = static_cast<unsigned int>(timeoutMs);
    ::ioctl(handle_, USBTMC_IOCTL_SET_TIMEOUT, &ms);
    return true;
}

bool InstrumentDevice::write(const QByteArray& bytes, QString* error) {
    if (::write(handle_, bytes.constData(), std::size_t(bytes.size())) >= 0)
        return true;
    *error = systemError();
    return false;
}

bool InstrumentDevice::read(QByteArray* reply, bool* timedOut, QString* error) {
    char buffer[4096];
    const ssize_t count = ::read(handle_, buffer, sizeof buffer);
    if (count < 0) {
        *timedOut = errno == ETIMEDOUT;
        *error = systemError();
        return false;
    }
    *reply = QByteArray(buffer, count);
    return true;
}

void InstrumentDevice::close() {
    if (handle_ >= 0)
        ::close(handle_);
    handle_ = -1;
}

} // namespace Platform
