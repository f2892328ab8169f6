// Compiled, never run: by the 32-bit Windows cross compiler, where the board
// library's exports are __stdcall, and by the host compiler, where they are
// plain C functions. Any drift in BoardPortAbi.h stops the compile.
#include "BoardPortAbi.h"

#include <cstdint>
#include <type_traits>

namespace {

constexpr bool sameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Functions shaped like the maker's exports, with the convention spelled out
// here rather than taken from the header: on i686 Windows their addresses only
// convert to the header's pointer types if those are __stdcall too.
#if defined(_WIN32)
#define EXPORT_CALL __stdcall
#else
#define EXPORT_CALL
#endif

std::int16_t EXPORT_CALL loadFirmWare(char* path) {
    return static_cast<std::int16_t>(path != nullptr);
}

std::int16_t EXPORT_CALL vendorIORequest(std::int16_t request, std::int32_t value,
                                         std::int32_t index, std::int16_t arg4, std::int16_t arg5,
                                         char* buffer) {
    return static_cast<std::int16_t>(request + value + index + arg4 + arg5 + (buffer != nullptr));
}

} // namespace

BoardPortAbi::LoadFirmWareFn boundLoadFirmWare = &loadFirmWare;
BoardPortAbi::VendorIORequestFn boundVendorIORequest = &vendorIORequest;

#if defined(_WIN32)
#if !defined(__i386__) && !defined(_M_IX86)
#error "the board library is a 32-bit DLL: build this check for i686"
#endif

static_assert(std::is_same<BoardPortAbi::LoadFirmWareFn, short(__stdcall*)(char*)>::value,
              "LoadFirmWare must be short __stdcall (char*)");
static_assert(std::is_same<BoardPortAbi::VendorIORequestFn,
                           short(__stdcall*)(short, std::int32_t, std::int32_t, short, short,
                                             char*)>::value,
              "VendorIORequest must be short __stdcall (short, long, long, short, short, char*)");
// The decorated names spell the arguments as MSVC types: F short, J long, PAD char*.
static_assert(sizeof(std::int16_t) == sizeof(short) && sizeof(std::int32_t) == sizeof(long),
              "argument widths must match the decorated names");
static_assert(sameText(BoardPortAbi::LoadFirmWareSymbol, "?LoadFirmWare@@YGFPAD@Z"),
              "LoadFirmWare export name");
static_assert(sameText(BoardPortAbi::VendorIORequestSymbol, "?VendorIORequest@@YGFFJJFFPAD@Z"),
              "VendorIORequest export name");
#else
static_assert(std::is_same<BoardPortAbi::LoadFirmWareFn, std::int16_t (*)(char*)>::value,
              "LoadFirmWare must be a plain function");
static_assert(std::is_same<BoardPortAbi::VendorIORequestFn,
                           std::int16_t (*)(std::int16_t, std::int32_t, std::int32_t,
                                            std::int16_t, std::int16_t, char*)>::value,
              "VendorIORequest must be a plain function");
static_assert(sameText(BoardPortAbi::LoadFirmWareSymbol, "LoadFirmWare"), "LoadFirmWare name");
static_assert(sameText(BoardPortAbi::VendorIORequestSymbol, "VendorIORequest"),
              "VendorIORequest name");
#endif
