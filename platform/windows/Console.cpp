#include "platform/Console.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

namespace Platform {

namespace {

// A handle that was given to this program and leads somewhere: a file, a
// pipe, a console. A window program started from a console gets none, or
// stale values that lead nowhere.
bool IsUsable(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The stream, its C runtime file and the system's standard handle on the
// console's output.
void ToConsole(DWORD which, FILE* stream) {
    if (std::freopen("CONOUT$", "w", stream))
        ::SetStdHandle(which, reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream))));
}

} // namespace

void UseParentConsole() {
    const bool outputGiven = IsUsable(::GetStdHandle(STD_OUTPUT_HANDLE));
    const bool errorGiven = IsUsable(::GetStdHandle(STD_ERROR_HANDLE));
    // Started from Explorer or the Start menu there is none: no console at all.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!outputGiven)
        ToConsole(STD_OUTPUT_HANDLE, stdout);
    if (!errorGiven)
        ToConsole(STD_ERROR_HANDLE, stderr);
}

} // namespace Platform
