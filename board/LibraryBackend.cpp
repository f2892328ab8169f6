// The BoardPort library loaded into the panel's own process.
#include "BoardBackend.h"

#include "BoardPortAbi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <cstdio>

namespace {

using BoardPortAbi::LibraryMissingStatus;
using BoardPortAbi::LoadFirmWareFn;
using BoardPortAbi::LoadFirmWareSymbol;
using BoardPortAbi::VendorIORequestFn;
using BoardPortAbi::VendorIORequestSymbol;

// True when a file named like the library lies in `dir`, so that its own
// load error says more than the system search's.
bool libraryFileIn(const QString& dir) {
    for (const char* name :
         {"libBoardPort.so", "BoardPort.so", "BoardPort.dll", "libBoardPort.dylib"})
        if (QFileInfo::exists(dir + QLatin1Char('/') + QLatin1String(name)))
            return true;
    return false;
}

class LibraryBackend : public BoardBackend {
public:
    std::int16_t loadFirmWare(char* path) override {
        bind();
        return loadFirmWare_ ? loadFirmWare_(path) : LibraryMissingStatus;
    }

    std::int16_t vendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t arg4, std::int16_t arg5, char* buffer) override {
        bind();
        return vendorIORequest_ ? vendorIORequest_(request, value, index, arg4, arg5, buffer)
                                : LibraryMissingStatus;
    }

private:
    // Loaded once, on first use: beside the executable first (QLibrary alone
    // does not search there), then wherever the system looks for libraries.
    // A library that lacks either function is no board at all: neither is
    // bound, so no download can succeed and nothing is sent that would fail
    // unseen.
    void bind() {
        if (attempted_)
            return;
        attempted_ = true;
        const QString dir = QCoreApplication::applicationDirPath();
        lib_.setFileName(dir + QStringLiteral("/BoardPort"));
        if (!lib_.load()) {
            const QString besideError = libraryFileIn(dir) ? lib_.errorString() : QString();
            lib_.setFileName(QStringLiteral("BoardPort"));
            if (!lib_.load()) {
                std::fprintf(stderr, "BoardPort library could not be loaded: %s%s%s\n",
                             qPrintable(besideError), besideError.isEmpty() ? "" : "; ",
                             qPrintable(lib_.errorString()));
                return;
            }
        }
        auto load = reinterpret_cast<LoadFirmWareFn>(lib_.resolve(LoadFirmWareSymbol));
        auto vendor = reinterpret_cast<VendorIORequestFn>(lib_.resolve(VendorIORequestSymbol));
        if (load && vendor) {
            loadFirmWare_ = load;
            vendorIORequest_ = vendor;
        } else if (!load && !vendor) {
            std::fprintf(stderr, "BoardPort library %s has no functions %s and %s\n",
                         qPrintable(lib_.fileName()), LoadFirmWareSymbol, VendorIORequestSymbol);
        } else {
            std::fprintf(stderr, "BoardPort library %s has no function %s\n",
                         qPrintable(lib_.fileName()),
                         load ? VendorIORequestSymbol : LoadFirmWareSymbol);
        }
    }

    bool attempted_ = false;
    QLibrary lib_;
    LoadFirmWareFn loadFirmWare_ = nullptr;
    VendorIORequestFn vendorIORequest_ = nullptr;
};

} // namespace

std::unique_ptr<BoardBackend> MakeLibraryBackend() {
    return std::make_unique<LibraryBackend>();
}
