// The modelled board: its lines, the converter's registers, the call log and
// the injected faults. Callers hold `mutex` around every use.
#ifndef SIMBOARD_BOARDMODEL_H
#define SIMBOARD_BOARDMODEL_H

#include "ConverterErrors.h"
#include "simboard.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace simboard {

// Each logged call costs about 64 bytes, so the cap bounds the log near 64 MB.
// Once full, further calls are no longer logged (the oldest entries are kept,
// so indices read earlier stay valid); the trace file still gets every call.
constexpr std::size_t kMaxLoggedCalls = 1000000;

struct LoggedCall {
    int kind = SIM_CALL_VENDOR_IO;
    std::string path; // cut to leave room for the terminator in SimCall::path
    int request = 0;
    int value = 0;
    int index = 0;
    int arg4 = 0;
    int arg5 = 0;
    int bufferByte = -1;
    int status = 0;
};

struct Board {
    std::mutex mutex;
    SimState state;
    std::vector<LoggedCall> log;
    bool unplugged = false;
    bool faultArmed = false;
    int faultCallsLeft = 0;
    int faultStatus = SIM_DEFAULT_FAULT;
    ConverterErrors errors;

    // Powered on, with the fault that BOARDPORT_FAIL_AFTER asks for.
    Board();

    // The two entry points' effect on the model; each returns the status.
    int loadFirmware(const char* path);
    int vendorRequest(int request, int value);

    void logCall(LoggedCall&& call);
    // Back to power-on: model, log and faults, plugged in.
    void powerOn();
    void failAfter(int calls, long status);
    void unplug();
    // The state with each output's voltage worked out.
    SimState observedState() const;

private:
    bool faultFires(int& status);
    bool absent() const;
};

} // namespace simboard

#endif
