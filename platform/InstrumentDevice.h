// An instrument's USBTMC device file ("/dev/usbtmc0"), read and written
// directly: the kernel's driver frames each message, and a read waits for the
// reply up to the timeout given at open. Where the system has no such files,
// Open fails with the reason in words.
#ifndef PLATFORM_INSTRUMENTDEVICE_H
#define PLATFORM_INSTRUMENTDEVICE_H

#include <QByteArray>
#include <QString>

namespace Platform {

class InstrumentDevice {
public:
    InstrumentDevice() = default;
    ~InstrumentDevice() { close(); }
    InstrumentDevice(const InstrumentDevice&) = delete;
    InstrumentDevice& operator=(const InstrumentDevice&) = delete;

    // False with `error` set when the file cannot be opened.
    bool open(const QString& path, int timeoutMs, QString* error);
    bool isOpen() const { return handle_ >= 0; }
    // False with `error` set when the bytes could not be written.
    bool write(const QByteArray& bytes, QString* error);
    // One reply as the driver hands it over; false with `error` set (and
    // `timedOut` when no reply came in time).
    bool read(QByteArray* reply, bool* timedOut, QString* error);
    void close();

private:
    int handle_ = -1;
};

} // namespace Platform

#endif
