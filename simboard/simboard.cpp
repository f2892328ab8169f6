// The library's exported functions: the two board entry points, which log
// and trace every call, and the simboard_ inspection calls. One lock keeps a
// caller on another thread from seeing the model half changed.
#include "simboard.h"
#include "BoardModel.h"
#include "Trace.h"
#include "board/BoardPortAbi.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace {

simboard::Board g_board;

} // namespace

// The maker's DLL exports its two entry points under their decorated names
// only; on Windows BoardPort.def gives them those names and nothing else.
#if defined(_WIN32)
#define BOARDPORT_ENTRY
#else
#define BOARDPORT_ENTRY SIMBOARD_API
#endif

extern "C" {

BOARDPORT_ENTRY short BOARDPORT_CALL LoadFirmWare(char* path) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    const int status = g_board.loadFirmware(path);

    simboard::LoggedCall call;
    call.kind = SIM_CALL_LOAD_FIRMWARE;
    if (path != nullptr) {
        std::size_t len = 0;
        while (len < sizeof(SimCall::path) - 1 && path[len] != '\0') {
            ++len;
        }
        call.path.assign(path, len);
    }
    call.status = status;
    g_board.logCall(std::move(call));

    simboard::traceLoadFirmWare(path, status);
    simboard::writeOutputsFile(g_board.observedState().output);
    return static_cast<short>(status);
}

BOARDPORT_ENTRY short BOARDPORT_CALL VendorIORequest(short request, int value, int index,
                                                     short arg4, short arg5, char* buffer) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    const int status = g_board.vendorRequest(request, value);
    const int bufferByte = buffer != nullptr ? static_cast<unsigned char>(*buffer) : -1;

    simboard::LoggedCall call;
    call.kind = SIM_CALL_VENDOR_IO;
    call.request = request;
    call.value = value;
    call.index = index;
    call.arg4 = arg4;
    call.arg5 = arg5;
    call.bufferByte = bufferByte;
    call.status = status;
    g_board.logCall(std::move(call));

    simboard::traceVendorIORequest(request, value, index, arg4, arg5, bufferByte, status);
    simboard::writeOutputsFile(g_board.observedState().output);
    return static_cast<short>(status);
}

void simboard_reset(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.powerOn();
}

int simboard_call_count(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    return static_cast<int>(g_board.log.size());
}

int simboard_get_call(int i, SimCall* out) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    if (out == nullptr || i < 0 || static_cast<std::size_t>(i) >= g_board.log.size()) {
        return -1;
    }
    const simboard::LoggedCall& c = g_board.log[static_cast<std::size_t>(i)];
    std::memset(out, 0, sizeof *out);
    out->kind = c.kind;
    // Stored paths are already cut to fit, leaving room for the terminator.
    std::memcpy(out->path, c.path.data(), c.path.size());
    out->path[c.path.size()] = '\0';
    out->request = c.request;
    out->value = c.value;
    out->index = c.index;
    out->arg4 = c.arg4;
    out->arg5 = c.arg5;
    out->bufferByte = c.bufferByte;
    out->status = c.status;
    return 0;
}

void simboard_get_state(SimState* out) {
    if (out == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(g_board.mutex);
    *out = g_board.observedState();
}

void simboard_fail_after(int calls, int status) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.failAfter(calls, status);
}

void simboard_clear_faults(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.faultArmed = false;
    g_board.faultCallsLeft = 0;
}

void simboard_unplug(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.unplug();
}

void simboard_replug(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.unplugged = false;
}

} // extern "C"

// The panel calls the entry points through its binding's pointer types; were
// these to drift apart, the mismatch would only show as a crash at run time.
static_assert(std::is_same<decltype(&LoadFirmWare), BoardPortAbi::LoadFirmWareFn>::value,
              "LoadFirmWare does not match the panel's binding");
static_assert(std::is_same<decltype(&VendorIORequest), BoardPortAbi::VendorIORequestFn>::value,
              "VendorIORequest does not match the panel's binding");
