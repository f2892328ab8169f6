// The BoardPort library loaded into the panel's own process.
#include "BoardBackend.h"

#include "BoardBinding.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <cstdio>

namespace {

using BoardBinding::Place;

// QLibrary tries the system's prefixes and suffixes itself; given a bare name
// it searches only where the system looks.
class QtLoader : public BoardBinding::Loader {
public:
    bool load(Place place) override {
        lib_.setFileName(place == Place::Beside ? dir() + QStringLiteral("/BoardPort")
                                                : QStringLiteral("BoardPort"));
        return lib_.load();
    }
    std::string error() const override { return lib_.errorString().toLocal8Bit().toStdString(); }
    bool besideHas(const char* name) const override {
        return QFileInfo::exists(dir() + QLatin1Char('/') + QLatin1String(name));
    }
    std::string fileName() const override { return lib_.fileName().toLocal8Bit().toStdString(); }
    void* resolve(const char* symbol) override {
        return reinterpret_cast<void*>(lib_.resolve(symbol));
    }

private:
    static QString dir() { return QCoreApplication::applicationDirPath(); }

    QLibrary lib_;
};

void say(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

class LibraryBackend : public BoardBackend {
public:
    std::int16_t loadFirmWare(char* path) override { return binding_.loadFirmWare(path); }

    std::int16_t vendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t arg4, std::int16_t arg5, char* buffer) override {
        return binding_.vendorIORequest(request, value, index, arg4, arg5, buffer);
    }

private:
    QtLoader loader_;
    BoardBinding::Binding binding_{loader_, say};
};

} // namespace

std::unique_ptr<BoardBackend> MakeLibraryBackend() {
    return std::make_unique<LibraryBackend>();
}
