// How the BoardPort library's two entry points are called and named. Kept
// free of Qt so the Windows calling convention can be checked with a bare
// 32-bit Windows cross compiler.
#ifndef BOARDPORTABI_H
#define BOARDPORTABI_H

#include <cstdint>

// The maker ships a 32-bit Windows DLL with C++-decorated __stdcall exports.
// ELF symbol names cannot carry '@', so other builds of the library export
// plain C names with the same argument and result types.
#if defined(_WIN32)
#define BOARDPORT_CALL __stdcall
#else
#define BOARDPORT_CALL
#endif

namespace BoardPortAbi {

#if defined(_WIN32)
constexpr const char* LoadFirmWareSymbol = "?LoadFirmWare@@YGFPAD@Z";
constexpr const char* VendorIORequestSymbol = "?VendorIORequest@@YGFFJJFFPAD@Z";
#else
constexpr const char* LoadFirmWareSymbol = "LoadFirmWare";
constexpr const char* VendorIORequestSymbol = "VendorIORequest";
#endif

// Request numbers, first argument of VendorIORequest.
namespace BoardRequest {
constexpr std::int16_t ClrHigh = 218;
constexpr std::int16_t ClrLow = 219;
constexpr std::int16_t SerialWord = 221;
constexpr std::int16_t PulseLdac = 222;
constexpr std::int16_t Start = 224;
constexpr std::int16_t LdacHigh = 226;
constexpr std::int16_t LdacLow = 227;
constexpr std::int16_t Range30V = 228;
constexpr std::int16_t Range60V = 229;
constexpr std::int16_t WarningOn = 230;
constexpr std::int16_t WarningOff = 231;

// What each request does, as a person reads it beside its number ("229
// range 60 V"); empty for a number the table does not have.
constexpr const char* Role(std::int16_t request) {
    switch (request) {
    case ClrHigh:
        return "CLR high";
    case ClrLow:
        return "CLR low";
    case SerialWord:
        return "serial word";
    case PulseLdac:
        return "LDAC pulse";
    case Start:
        return "start";
    case LdacHigh:
        return "LDAC high";
    case LdacLow:
        return "LDAC low";
    case Range30V:
        return "range 30 V";
    case Range60V:
        return "range 60 V";
    case WarningOn:
        return "warning on";
    case WarningOff:
        return "warning off";
    default:
        return "";
    }
}
} // namespace BoardRequest

// Status returned when the library or one of its functions cannot be used.
constexpr std::int16_t LibraryMissingStatus = -1000;

using LoadFirmWareFn = std::int16_t(BOARDPORT_CALL*)(char*);
using VendorIORequestFn = std::int16_t(BOARDPORT_CALL*)(std::int16_t, std::int32_t, std::int32_t,
                                                        std::int16_t, std::int16_t, char*);

} // namespace BoardPortAbi

#endif
