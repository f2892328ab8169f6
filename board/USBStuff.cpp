#include "USBStuff.h"

#include "BoardPortAbi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

bool linkClosed = false;

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

// True when a file named like the library lies in `dir`, so that its own
// load error says more than the system search's.
bool libraryFileIn(const QString& dir) {
    for (const char* name :
         {"libBoardPort.so", "BoardPort.so", "BoardPort.dll", "libBoardPort.dylib"})
        if (QFileInfo::exists(dir + QLatin1Char('/') + QLatin1String(name)))
            return true;
    return false;
}

// Loaded once, on first use: beside the executable first (QLibrary alone does
// not search there), then wherever the system looks for libraries. A library
// that lacks either function is no board at all: neither is bound, so no
// download can succeed and nothing is sent that would fail unseen.
const Binding& binding() {
    static Binding b;
    if (b.attempted)
        return b;
    b.attempted = true;
    QLibrary& lib = library();
    const QString dir = QCoreApplication::applicationDirPath();
    lib.setFileName(dir + QStringLiteral("/BoardPort"));
    if (!lib.load()) {
        const QString besideError = libraryFileIn(dir) ? lib.errorString() : QString();
        lib.setFileName(QStringLiteral("BoardPort"));
        if (!lib.load()) {
            std::fprintf(stderr, "BoardPort library could not be loaded: %s%s%s\n",
                         qPrintable(besideError), besideError.isEmpty() ? "" : "; ",
                         qPrintable(lib.errorString()));
            return b;
        }
    }
    auto loadFirmWare = reinterpret_cast<LoadFirmWareFn>(lib.resolve(LoadFirmWareSymbol));
    auto vendorIORequest = reinterpret_cast<VendorIORequestFn>(lib.resolve(VendorIORequestSymbol));
    if (loadFirmWare && vendorIORequest) {
        b.loadFirmWare = loadFirmWare;
        b.vendorIORequest = vendorIORequest;
    } else if (!loadFirmWare && !vendorIORequest) {
        std::fprintf(stderr, "BoardPort library %s has no functions %s and %s\n",
                     qPrintable(lib.fileName()), LoadFirmWareSymbol, VendorIORequestSymbol);
    } else {
        std::fprintf(stderr, "BoardPort library %s has no function %s\n",
                     qPrintable(lib.fileName()),
                     loadFirmWare ? VendorIORequestSymbol : LoadFirmWareSymbol);
    }
    return b;
}

} // namespace

std::int16_t LoadFirmWare(char* path) {
    if (linkClosed)
        return lastStatus = LinkClosedStatus;
    const Binding& b = binding();
    return record(DownloadCall, b.loadFirmWare ? b.loadFirmWare(path) : LibraryMissingStatus);
}

std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                             std::int16_t arg4, std::int16_t arg5, char* buffer) {
    if (linkClosed)
        return lastStatus = LinkClosedStatus;
    const Binding& b = binding();
    return record(request, b.vendorIORequest
                               ? b.vendorIORequest(request, value, index, arg4, arg5, buffer)
                               : LibraryMissingStatus);
}

void CloseLink() {
    linkClosed = true;
}

void OpenLink() {
    linkClosed = false;
}

bool IsLinkClosed() {
    return linkClosed;
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
    if (!PathToAnsiBytes(firmwarePath)) {
        std::fprintf(stderr,
                     "Firmware path not passed to the board library: it does not fit %d bytes "
                     "in the system's file-name encoding: %s\n",
                     AnsiPathSize - 1, qPrintable(firmwarePath));
        return record(DownloadCall, PathUnusableStatus);
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
