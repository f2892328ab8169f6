#include "USBStuff.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <cstdio>
#include <cstring>

namespace USBStuff {

std::int16_t LoadFirmWare(BoardLink& link, char* path) {
    return link.loadFirmWare(path);
}

std::int16_t VendorIORequest(BoardLink& link, std::int16_t request, std::int32_t value,
                             std::int32_t index, std::int16_t arg4, std::int16_t arg5,
                             char* buffer) {
    return link.vendorIORequest(request, value, index, arg4, arg5, buffer);
}

std::int16_t DownloadFirmware(BoardLink& link) {
    // On the board maker's platform the path is "dir\QV7310.hex"; elsewhere
    // the directory separator is '/'.
#if defined(_WIN32)
    const QString separator = QStringLiteral("\\");
    const QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
#else
    const QString separator = QStringLiteral("/");
    const QString dir = QCoreApplication::applicationDirPath();
#endif
    link.firmwarePath = dir + separator + QStringLiteral("QV7310.hex");
    if (!PathToAnsiBytes(link, link.firmwarePath)) {
        std::fprintf(stderr,
                     "Firmware path not passed to the board library: it does not fit %d bytes "
                     "in the system's file-name encoding: %s\n",
                     AnsiPathSize - 1, qPrintable(link.firmwarePath));
        link.reportUnsent(DownloadCall, PathUnusableStatus);
        return PathUnusableStatus;
    }
    return LoadFirmWare(link, link.ansiPath);
}

std::int16_t PlainRequest(BoardLink& link, std::int16_t request) {
    char buffer = 0;
    return VendorIORequest(link, request, 0, 0, 0, 0, &buffer);
}

bool PathToAnsiBytes(BoardLink& link, const QString& path) {
#if defined(_WIN32)
    // The machine's ANSI code page. A character it cannot represent would
    // turn into a different path, so such a path is refused whole.
    QStringEncoder encoder(QStringEncoder::System, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(path);
    if (encoder.hasError() || bytes.size() != path.size())
        return false;
#else
    // The bytes the system itself opens the file by: a folder named in any
    // language works, and a character may take several bytes.
    const QByteArray bytes = QFile::encodeName(path);
#endif
    if (bytes.size() >= AnsiPathSize || bytes.contains('\0'))
        return false;
    std::memcpy(link.ansiPath, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    link.ansiPath[bytes.size()] = 0;
    return true;
}

} // namespace USBStuff
