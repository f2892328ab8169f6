#include "USBStuff.h"

#include "BoardPortAbi.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringEncoder>
#include <cstdio>
#include <cstring>

namespace USBStuff {

char ansiPath[AnsiPathSize] = {};
QString firmwarePath;
std::int16_t lastStatus = 0;

namespace {

CallObserver& observer() {
    static CallObserver o;
    return o;
}

std::int16_t record(std::int16_t request, std::int16_t status) {
    lastStatus = status;
    if (observer())
        observer()(request, status);
    return status;
}

using BoardPortAbi::LoadFirmWareFn;
using BoardPortAbi::LoadFirmWareSymbol;
using BoardPortAbi::VendorIORequestFn;
using BoardPortAbi::VendorIORequestSymbol;

struct Binding {
    bool attempted = false;
    LoadFirmWareFn loadFirmWare = nullptr;
    VendorIORequestFn vendorIORequest = nullptr;
};

QLibrary& library() {
    static QLibrary lib;
    return lib;
}

// Loaded once, on first use: beside the executable first (QLibrary alone does
// not search there), then wherever the system looks for libraries.
const Binding& binding() {
    static Binding b;
    if (b.attempted)
        return b;
    b.attempted = true;
    QLibrary& lib = library();
    lib.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/BoardPort"));
    if (!lib.load()) {
        lib.setFileName(QStringLiteral("BoardPort"));
        if (!lib.load()) {
            std::fprintf(stderr, "BoardPort library could not be loaded: %s\n",
                         qPrintable(lib.errorString()));
            return b;
        }
    }
    b.loadFirmWare = reinterpret_cast<LoadFirmWareFn>(lib.resolve(LoadFirmWareSymbol));
    b.vendorIORequest = reinterpret_cast<VendorIORequestFn>(lib.resolve(VendorIORequestSymbol));
    if (!b.loadFirmWare)
        std::fprintf(stderr, "BoardPort library has no function %s\n", LoadFirmWareSymbol);
    if (!b.vendorIORequest)
        std::fprintf(stderr, "BoardPort library has no function %s\n", VendorIORequestSymbol);
    return b;
}

} // namespace

std::int16_t LoadFirmWare(char* path) {
    const Binding& b = binding();
    return record(DownloadCall, b.loadFirmWare ? b.loadFirmWare(path) : LibraryMissingStatus);
}

std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                             std::int16_t arg4, std::int16_t arg5, char* buffer) {
    const Binding& b = binding();
    return record(request, b.vendorIORequest
                               ? b.vendorIORequest(request, value, index, arg4, arg5, buffer)
                               : LibraryMissingStatus);
}

void SetCallObserver(CallObserver o) {
    observer() = std::move(o);
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
    if (!PathToAnsiBytes(firmwarePath))
        return record(DownloadCall, PathUnusableStatus);
    return LoadFirmWare(ansiPath);
}

void PlainRequest(std::int16_t request) {
    char buffer = 0;
    VendorIORequest(request, 0, 0, 0, 0, &buffer);
}

bool PathToAnsiBytes(const QString& path) {
    // The single-byte code page of the machine: on Windows the ANSI code
    // page, elsewhere the locale's encoding. A character it cannot represent
    // would turn into a different path, so such a path is refused whole.
    QStringEncoder encoder(QStringEncoder::System, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(path);
    if (encoder.hasError() || bytes.size() != path.size() || bytes.size() >= AnsiPathSize ||
        bytes.contains('\0'))
        return false;
    std::memcpy(ansiPath, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    ansiPath[bytes.size()] = 0;
    return true;
}

} // namespace USBStuff
