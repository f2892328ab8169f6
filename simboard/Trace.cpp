#include "Trace.h"

#include <cstdio>
#include <cstdlib>

namespace simboard {

namespace {

// The variable is read at each call so a test can start and stop a trace
// mid-run. The file is opened and closed each time so it is complete even if
// the process is killed right after the call.
FILE* openTrace() {
    const char* path = std::getenv("BOARDPORT_TRACE");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    // Binary, so that a Windows build writes the same bytes (no CR).
    return std::fopen(path, "ab");
}

void closeTrace(FILE* f) {
    std::fflush(f);
    std::fclose(f);
}

} // namespace

void traceLoadFirmWare(const char* path, int status) {
    if (FILE* f = openTrace()) {
        std::fprintf(f, "LoadFirmWare %s = %d\n", path != nullptr ? path : "(null)", status);
        closeTrace(f);
    }
}

void traceVendorIORequest(int request, int value, int index, int arg4, int arg5, int bufferByte,
                          int status) {
    if (FILE* f = openTrace()) {
        std::fprintf(f, "VendorIORequest %d %d %d %d %d %d = %d\n", request, value, index, arg4,
                     arg5, bufferByte, status);
        closeTrace(f);
    }
}

} // namespace simboard
