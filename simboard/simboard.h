// Inspection interface of the simulated evaluation board (libBoardPort).
// The panel binds only LoadFirmWare and VendorIORequest; tests and tools
// resolve the simboard_ functions from the same loaded library to reset the
// model and to read back what the panel asked of the board.
//
// The board entry points (exported with C names, not declared here):
//   short LoadFirmWare(char* path);
//   short VendorIORequest(short request, int value, int index, short arg4,
//                         short arg5, char* buffer);
// return 0 on success, or -1 null path, -2 file missing or unreadable,
// -3 malformed image, -4 board absent or unplugged, -5 no firmware yet,
// -6 unknown request, or the status given to simboard_fail_after (-7 by
// default). BOARDPORT_ABSENT=1 and BOARDPORT_TRACE=<file> are read at each
// call; BOARDPORT_FAIL_AFTER=n and BOARDPORT_FAIL_STATUS once, at load.
#ifndef SIMBOARD_H
#define SIMBOARD_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define SIMBOARD_API __declspec(dllexport)
#else
#define SIMBOARD_API __attribute__((visibility("default")))
#endif

enum SimCallKind { SIM_CALL_LOAD_FIRMWARE = 0, SIM_CALL_VENDOR_IO = 1 };

// One call made to the board library, with all its arguments and its status.
typedef struct SimCall {
    int kind;        // SimCallKind
    char path[1024]; // LoadFirmWare: the path as passed (truncated if longer)
    int request;     // VendorIORequest: the arguments in order
    int value;
    int index;
    int arg4;
    int arg5;
    int bufferByte; // the byte the buffer held when the call was made (-1 for a null pointer)
    int status;     // what the call returned
} SimCall;

// The modelled board and converter.
typedef struct SimState {
    int firmwareLoaded; // a download succeeded since the last reset or unplug
    int started;        // request 224 seen since the last download
    int clrHigh;        // CLR line level (1 high)
    int ldacHigh;       // LDAC line level (1 high)
    int range60;        // 1: 60 V range, 0: 30 V range
    int lampOn;         // board's high-voltage warning lamp
    int inputRegister[4];
    int dacRegister[4];
    int controlRegister; // 12 data bits of the last word to address 7
    int lastWord;        // last serial word received (-1 when none)
    double output[4];    // volts at each output
} SimState;

// Back to power-on: firmware not loaded, lines high, 30 V range, lamp off,
// registers 0, log emptied, faults cleared, plugged in.
SIMBOARD_API void simboard_reset(void);
// The log holds the first 1,000,000 calls; later calls are still answered
// (and traced) but not logged, so earlier indices stay valid.
SIMBOARD_API int simboard_call_count(void);
// Copies call i (0 = oldest) into *out; returns 0, or -1 when i is out of range.
SIMBOARD_API int simboard_get_call(int i, SimCall* out);
SIMBOARD_API void simboard_get_state(SimState* out);

// Fault injection: after `calls` further successful calls, every call fails
// with `status` (negative) until simboard_clear_faults or simboard_reset.
// Every call counts towards `calls`, whatever it returns; a status that is
// not negative or does not fit in a short is replaced by -7.
SIMBOARD_API void simboard_fail_after(int calls, int status);
SIMBOARD_API void simboard_clear_faults(void);
// Unplug: every call fails and the downloaded firmware is lost. Replug:
// calls reach the board again, which needs a new firmware download.
SIMBOARD_API void simboard_unplug(void);
SIMBOARD_API void simboard_replug(void);

// Intel HEX check used by LoadFirmWare, exposed for tests and fuzzing:
// returns 0 for a well-formed image (valid records and checksums, ending in
// an end-of-file record), a negative value otherwise.
SIMBOARD_API int simboard_check_intel_hex(const char* data, unsigned long size);

#ifdef __cplusplus
}
#endif

#endif
