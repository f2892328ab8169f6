#include "USBStuff.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <cstdio>
#include <cstring>

namespace USBStuff {

char ansiPath[AnsiPathSize] = {};
QString firmwarePath;
std::int16_t lastStatus = 0;

BoardLink& Link() {
    static BoardLink link;
    return link;
}

std::int16_t LoadFirmWare(char* path) {
    return lastStatus = Link().loadFirmWare(path);
}

std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                             std::int16_t arg4, std::int16_t arg5, char* buffer) {
    return lastStatus = Link().vendorIORequest(request, value, index, arg4, arg5, buffer);
}

void UseBridge(const QStringList& command) {
    Link().useBridge(command);
}

void SetExitChoice(bool resetOnExit) {
    Link().setExitChoice(resetOnExit);
}

void CloseLink() {
    Link().close();
}

void OpenLink() {
    Link().open();
}

bool IsLinkClosed() {
    return Link().isClosed();
}

std::int16_t DownloadFirmware() {
    // On the board maker's platform the path is "dir\QV7310.hex"; elsewhere
    // the directory separator is '/'.
#if defined(_WIN32)
    const QString separator = QStringLiteral("\\");
    const QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
#else
    const QString separator = QStringLiteral("/");
    const QString dir = QCoreApplication::applicationDirPath();
#endif
    firmwarePath = dir + separator + QStringLiteral("QV7310.hex");
    if (!PathToAnsiBytes(firmwarePath)) {
        std::fprintf(stderr,
                     "Firmware path not passed to the board library: it does not fit %d bytes "
                     "in the system's file-name encoding: %s\n",
                     AnsiPathSize - 1, qPrintable(firmwarePath));
        lastStatus = PathUnusableStatus;
        Link().reportUnsent(DownloadCall, PathUnusableStatus);
        return PathUnusableStatus;
    }
    return LoadFirmWare(ansiPath);
}

void PlainRequest(std::int16_t request) {
    char buffer = 0;
    VendorIORequest(request, 0, 0, 0, 0, &buffer);
}

bool PathToAnsiBytes(const QString& path) {
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
    std::memcpy(ansiPath, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    ansiPath[bytes.size()] = 0;
    return true;
}

} // namespace USBStuff
