// The simulated board's functions as tests and benchmarks reach them:
// resolved by name from the loaded BoardPort library, the way the panel
// binds its two, so they act on the very board the panel talks to.
#ifndef SIMBOARDCLIENT_H
#define SIMBOARDCLIENT_H

#include "board/BoardPortAbi.h"
#include "simboard.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include <type_traits>

namespace SimboardClient {

struct Functions {
    BoardPortAbi::LoadFirmWareFn loadFirmWare = nullptr;
    BoardPortAbi::VendorIORequestFn vendorIORequest = nullptr;
    decltype(&simboard_reset) reset = nullptr;
    decltype(&simboard_call_count) callCount = nullptr;
    decltype(&simboard_get_call) getCall = nullptr;
    decltype(&simboard_get_state) getState = nullptr;
    decltype(&simboard_fail_after) failAfter = nullptr;
    decltype(&simboard_clear_faults) clearFaults = nullptr;
    decltype(&simboard_unplug) unplug = nullptr;
    decltype(&simboard_replug) replug = nullptr;
    decltype(&simboard_check_intel_hex) checkIntelHex = nullptr;
};

// Loads `lib` if it is not loaded yet and resolves every function into `out`.
// Returns what went wrong, or an empty text when everything was found.
inline QString resolve(QLibrary& lib, Functions& out) {
    if (!lib.isLoaded() && !lib.load())
        return QStringLiteral("cannot load %1: %2").arg(lib.fileName(), lib.errorString());
    QStringList missing;
    const auto bind = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(lib.resolve(name));
        if (!fn)
            missing << QString::fromLatin1(name);
    };
    bind(out.loadFirmWare, BoardPortAbi::LoadFirmWareSymbol);
    bind(out.vendorIORequest, BoardPortAbi::VendorIORequestSymbol);
    bind(out.reset, "simboard_reset");
    bind(out.callCount, "simboard_call_count");
    bind(out.getCall, "simboard_get_call");
    bind(out.getState, "simboard_get_state");
    bind(out.failAfter, "simboard_fail_after");
    bind(out.clearFaults, "simboard_clear_faults");
    bind(out.unplug, "simboard_unplug");
    bind(out.replug, "simboard_replug");
    bind(out.checkIntelHex, "simboard_check_intel_hex");
    if (missing.isEmpty())
        return QString();
    return QStringLiteral("%1 lacks %2").arg(lib.fileName(), missing.join(QStringLiteral(", ")));
}

// The library beside the executable, where the panel looks first: loaded and
// resolved once per process. Ends the program if anything is missing, since
// nothing that needs the board can go on without it.
inline const Functions& besideExecutable() {
    static const Functions functions = [] {
        static QLibrary lib(QCoreApplication::applicationDirPath() + QStringLiteral("/BoardPort"));
        Functions f;
        const QString error = resolve(lib, f);
        if (!error.isEmpty())
            qFatal("simulated board: %s", qPrintable(error));
        return f;
    }();
    return functions;
}

// A call as the suites compare them: "load", "221:0x7000" (a serial word),
// or the request's number.
inline QString describe(const SimCall& call) {
    if (call.kind == SIM_CALL_LOAD_FIRMWARE)
        return QStringLiteral("load");
    if (call.request == 221)
        return QStringLiteral("221:0x%1").arg(call.value, 4, 16, QLatin1Char('0'));
    return QString::number(call.request);
}

} // namespace SimboardClient

#endif
