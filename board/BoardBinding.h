// How the panel and the board bridge bind the BoardPort library: where they
// look for it and in which order, the two functions bound together, and the
// one line said when the library cannot be used. Free of Qt, since the bridge
// is built without it; each caller brings its own loader (QLibrary, dlopen,
// LoadLibrary) behind BoardBinding::Loader.
#ifndef BOARDBINDING_H
#define BOARDBINDING_H

#include "BoardPortAbi.h"

#include <cstdint>
#include <string>

namespace BoardBinding {

// Where the library is looked for, in this order: the executable's own
// folder (the system's search does not look there), then the system's search.
enum class Place { Beside, System };
constexpr Place Places[] = {Place::Beside, Place::System};

// The names the library's file may have in a folder, on any system. When the
// executable's folder holds one, that folder's load error is said too: it
// tells more than the system search's.
constexpr const char* FileNames[] = {"libBoardPort.so", "BoardPort.so", "BoardPort.dll",
                                     "libBoardPort.dylib"};

class Loader {
public:
    virtual ~Loader() = default;
    // Loads the library from `place`; false when it cannot, error() says why.
    virtual bool load(Place place) = 0;
    virtual std::string error() const = 0;
    // True when the executable's folder holds a file named `name`.
    virtual bool besideHas(const char* name) const = 0;
    // The file the library was loaded from.
    virtual std::string fileName() const = 0;
    virtual void* resolve(const char* symbol) = 0;
};

// Says one line (no newline) on standard error, in the caller's manner.
using Say = void (*)(const std::string& line);

// The two functions, bound once, on the first call. A library that lacks
// either function is no board at all: neither is bound, so no download can
// succeed and nothing is sent that would fail unseen. Unbound, every call
// returns LibraryMissingStatus.
class Binding {
public:
    Binding(Loader& loader, Say say) : loader_(loader), say_(say) {}

    std::int16_t loadFirmWare(char* path) {
        bind();
        return loadFirmWare_ ? loadFirmWare_(path) : BoardPortAbi::LibraryMissingStatus;
    }
    std::int16_t vendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t arg4, std::int16_t arg5, char* buffer) {
        bind();
        return vendorIORequest_ ? vendorIORequest_(request, value, index, arg4, arg5, buffer)
                                : BoardPortAbi::LibraryMissingStatus;
    }

private:
    void bind() {
        if (!attempted_)
            bindOnce();
    }
    void bindOnce();

    Loader& loader_;
    Say say_;
    bool attempted_ = false;
    BoardPortAbi::LoadFirmWareFn loadFirmWare_ = nullptr;
    BoardPortAbi::VendorIORequestFn vendorIORequest_ = nullptr;
};

} // namespace BoardBinding

#endif
