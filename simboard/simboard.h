// Inspection interface of the simulated evaluation board (libBoardPort).
// The panel binds only LoadFirmWare and VendorIORequest; tests and tools
// resolve the simboard_ functions from the same loaded library to reset the
// model and to read back what the panel asked of the board.
//
// The board entry points (exported with C names and not declared here, so
// that tests too reach them through the library loading, as the panel does;
// their types are checked against the panel's binding where they are defined):
//   short LoadFirmWare(char* path);
//   short VendorIORequest(short request, int value, int index, short arg4,
//                         short arg5, char* buffer);
// return a SimStatus, or the status given to simboard_fail_after.
// BOARDPORT_ABSENT=1 and BOARDPORT_TRACE=<file> are read at each call;
// BOARDPORT_FAIL_AFTER=n and BOARDPORT_FAIL_STATUS once, at load, and arm the
// same fault as simboard_fail_after.
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

// What the entry points return: 0 for success, a negative status otherwise.
enum SimStatus {
    SIM_OK = 0,
    SIM_NULL_PATH = -1,
    SIM_FILE_UNREADABLE = -2, // missing, unreadable, or not a regular file (a FIFO, a device)
    SIM_MALFORMED_IMAGE = -3, // not Intel HEX, or far larger than any image
    SIM_BOARD_ABSENT = -4,    // BOARDPORT_ABSENT=1 or simboard_unplug
    SIM_NO_FIRMWARE = -5,     // a request before a successful download
    SIM_UNKNOWN_REQUEST = -6,
    SIM_DEFAULT_FAULT = -7
};

// The requests the board's firmware understands (VendorIORequest's first
// argument). Only the serial word uses the value; the others ignore it.
enum SimRequest {
    SIM_REQUEST_CLR_HIGH = 218,
    SIM_REQUEST_CLR_LOW = 219, // also clears the DAC registers and holds them at 0
    SIM_REQUEST_SERIAL_WORD = 221,
    SIM_REQUEST_LDAC_PULSE = 222,
    SIM_REQUEST_START = 224,
    SIM_REQUEST_LDAC_HIGH = 226,
    SIM_REQUEST_LDAC_LOW = 227,
    SIM_REQUEST_RANGE_30V = 228,
    SIM_REQUEST_RANGE_60V = 229,
    SIM_REQUEST_LAMP_ON = 230,
    SIM_REQUEST_LAMP_OFF = 231
};

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

// Fault injection: the next `calls` calls are answered as usual, each one
// counting whatever it returns; every call after them fails with `status`,
// ahead of any other check, until simboard_clear_faults or simboard_reset.
// A status that is not negative or does not fit in a short becomes -7.
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
