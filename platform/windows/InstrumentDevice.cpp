#include "platform/InstrumentDevice.h"

// Windows reaches USBTMC instruments through a VISA library, not device
// files: a multimeter is reached over the network here.
namespace Platform {

bool InstrumentDevice::open(const QString&, int, QString* error) {
    *error = QStringLiteral("USBTMC device files are for Linux only");
    return false;
}

bool InstrumentDevice::write(const QByteArray&, QString* error) {
    *error = QStringLiteral("USBTMC device files are for Linux only");
    return false;
}

bool InstrumentDevice::read(QByteArray*, bool* timedOut, QString* error) {
    *timedOut = false;
    *error = QStringLiteral("USBTMC device files are for Linux only");
    return false;
}

void InstrumentDevice::close() {
    handle_ = -1;
}

} // namespace Platform
