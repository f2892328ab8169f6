// Simulated evaluation board: stands in for the vendor's USB library so the
// panel can be run and tested without hardware. It models the board's lines
// and the converter's registers, logs every call and can be told to fail.
#include "simboard.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Statuses returned to the caller; all negative so 0 alone means success.
constexpr int kNullPath = -1;
constexpr int kFileUnreadable = -2;
constexpr int kMalformedImage = -3;
constexpr int kBoardAbsent = -4;
constexpr int kNoFirmware = -5;
constexpr int kUnknownRequest = -6;
constexpr int kDefaultFault = -7;

// Reasons the Intel HEX check gives; only the sign matters to callers, the
// value helps when a fuzzer or a test reports a rejection.
constexpr int kHexEmpty = -1;
constexpr int kHexSyntax = -2;   // missing colon, non-hex digit, odd digit count, stray blank line
constexpr int kHexLength = -3;   // byte count disagrees with the record, or with its type
constexpr int kHexType = -4;     // record type above 05
constexpr int kHexChecksum = -5; // bytes do not sum to zero
constexpr int kHexAfterEof = -6; // a record follows the end-of-file record
constexpr int kHexMissingEof = -7;

// A real image is tens of kilobytes; the cap keeps a wrong path (a device,
// a huge file) from exhausting memory.
constexpr std::size_t kMaxImageBytes = 16u * 1024u * 1024u;

// Each logged call costs about 64 bytes, so the cap bounds the log near 64 MB.
// Once full, further calls are no longer logged (the oldest entries are kept,
// so indices read earlier stay valid); the trace file still gets every call.
constexpr std::size_t kMaxLoggedCalls = 1000000;

// Vendor requests the board firmware understands.
enum Request : int {
    kClrHigh = 218,
    kClrLow = 219,
    kSerialWord = 221,
    kLdacPulse = 222,
    kStart = 224,
    kLdacHigh = 226,
    kLdacLow = 227,
    kRange30 = 228,
    kRange60 = 229,
    kLampOn = 230,
    kLampOff = 231,
};

struct LoggedCall {
    int kind = SIM_CALL_VENDOR_IO;
    std::string path;
    int request = 0;
    int value = 0;
    int index = 0;
    int arg4 = 0;
    int arg5 = 0;
    int bufferByte = -1;
    int status = 0;
};

SimState powerOnState() {
    SimState s;
    std::memset(&s, 0, sizeof s);
    s.clrHigh = 1;
    s.ldacHigh = 1;
    s.lastWord = -1;
    return s;
}

// Parses a whole decimal integer; rejects empty strings and trailing junk.
bool parseInt(const char* text, long& out) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < INT_MIN || v > INT_MAX) {
        return false;
    }
    out = v;
    return true;
}

// Statuses travel back as 16-bit values, so a fault status must be negative
// and fit in a short to arrive unchanged.
int usableFaultStatus(long status) {
    return (status < 0 && status >= SHRT_MIN) ? static_cast<int>(status) : kDefaultFault;
}

struct Board {
    std::mutex mutex;
    SimState state = powerOnState();
    std::vector<LoggedCall> log;
    bool unplugged = false;
    bool faultArmed = false;
    int faultCallsLeft = 0;
    int faultStatus = kDefaultFault;

    // Lets a whole program run against a failing board without code changes:
    // the fault is armed once, when the library is loaded.
    Board() {
        long calls = 0;
        if (!parseInt(std::getenv("BOARDPORT_FAIL_AFTER"), calls) || calls < 0) {
            return;
        }
        long status = kDefaultFault;
        if (!parseInt(std::getenv("BOARDPORT_FAIL_STATUS"), status)) {
            status = kDefaultFault;
        }
        faultArmed = true;
        faultCallsLeft = static_cast<int>(calls);
        faultStatus = usableFaultStatus(status);
    }
};

Board g_board;

// Counts the call against an armed fault; true when this call must fail.
bool faultFires(Board& b, int& status) {
    if (!b.faultArmed) {
        return false;
    }
    if (b.faultCallsLeft > 0) {
        --b.faultCallsLeft;
        return false;
    }
    status = b.faultStatus;
    return true;
}

// Read on every call so a test can take the board away mid-run.
bool boardAbsent(const Board& b) {
    const char* v = std::getenv("BOARDPORT_ABSENT");
    const bool absentByEnv = v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
    return absentByEnv || b.unplugged;
}

void logCall(Board& b, LoggedCall&& call) {
    if (b.log.size() < kMaxLoggedCalls) {
        b.log.push_back(std::move(call));
    }
}

// One line per call, opened and closed each time so the file is complete even
// if the process is killed right after the call.
FILE* openTrace() {
    const char* path = std::getenv("BOARDPORT_TRACE");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    return std::fopen(path, "a");
}

void closeTrace(FILE* f) {
    std::fflush(f);
    std::fclose(f);
}

int hexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Checks one record (the text between the colon and the line end).
int checkRecord(const unsigned char* digits, std::size_t digitCount, bool& isEof) {
    if (digitCount % 2 != 0) {
        return kHexSyntax;
    }
    for (std::size_t i = 0; i < digitCount; ++i) {
        if (hexDigit(digits[i]) < 0) {
            return kHexSyntax;
        }
    }
    // Count, two address bytes, type and checksum frame at most 255 data bytes.
    constexpr std::size_t kFrameBytes = 5;
    constexpr std::size_t kMaxRecordBytes = 255 + kFrameBytes;
    const std::size_t byteCount = digitCount / 2;
    if (byteCount < kFrameBytes || byteCount > kMaxRecordBytes) {
        return kHexLength;
    }
    unsigned char bytes[kMaxRecordBytes];
    unsigned sum = 0;
    for (std::size_t i = 0; i < byteCount; ++i) {
        const int v = hexDigit(digits[2 * i]) * 16 + hexDigit(digits[2 * i + 1]);
        bytes[i] = static_cast<unsigned char>(v);
        sum += static_cast<unsigned>(v);
    }
    const std::size_t dataLength = bytes[0];
    if (dataLength + kFrameBytes != byteCount) {
        return kHexLength;
    }
    const unsigned type = bytes[3];
    if (type > 5) {
        return kHexType;
    }
    // Address records carry a segment or upper half (2 bytes), start records
    // a 32-bit entry point (4 bytes), end-of-file nothing.
    static const int kTypeLength[6] = {-1, 0, 2, 4, 2, 4};
    if (kTypeLength[type] >= 0 && dataLength != static_cast<std::size_t>(kTypeLength[type])) {
        return kHexLength;
    }
    if ((sum & 0xFFu) != 0) {
        return kHexChecksum;
    }
    isEof = type == 1;
    return 0;
}

int checkIntelHex(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size == 0) {
        return kHexEmpty;
    }
    bool sawEof = false;
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t lineStart = pos;
        std::size_t lineEnd = lineStart;
        while (lineEnd < size && data[lineEnd] != '\n') {
            ++lineEnd;
        }
        pos = lineEnd < size ? lineEnd + 1 : size;
        // Images written on Windows end their lines in CR LF.
        if (lineEnd > lineStart && data[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        if (lineEnd == lineStart) {
            // Editors often leave blank lines at the end; anywhere else the
            // image has been mangled.
            if (!sawEof) {
                return kHexSyntax;
            }
            continue;
        }
        if (sawEof) {
            return kHexAfterEof;
        }
        if (data[lineStart] != ':') {
            return kHexSyntax;
        }
        bool isEof = false;
        const int rc = checkRecord(data + lineStart + 1, lineEnd - lineStart - 1, isEof);
        if (rc != 0) {
            return rc;
        }
        sawEof = isEof;
    }
    return sawEof ? 0 : kHexMissingEof;
}

int readImage(const char* path, std::string& out) {
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        return kFileUnreadable;
    }
    char chunk[16384];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (out.size() + n > kMaxImageBytes) {
            std::fclose(f);
            return kMalformedImage;
        }
        out.append(chunk, n);
    }
    // A directory opens on some systems and only fails on read.
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? kFileUnreadable : 0;
}

int loadFirmware(Board& b, const char* path) {
    int status = 0;
    if (faultFires(b, status)) {
        return status;
    }
    if (boardAbsent(b)) {
        return kBoardAbsent;
    }
    if (path == nullptr) {
        return kNullPath;
    }
    std::string image;
    status = readImage(path, image);
    if (status != 0) {
        return status;
    }
    if (checkIntelHex(reinterpret_cast<const unsigned char*>(image.data()), image.size()) != 0) {
        return kMalformedImage;
    }
    b.state.firmwareLoaded = 1;
    b.state.started = 0;
    return 0;
}

void loadDacRegisters(SimState& s) {
    for (int k = 0; k < 4; ++k) {
        s.dacRegister[k] = s.inputRegister[k];
    }
}

void writeInputRegister(SimState& s, int channel, int data) {
    s.inputRegister[channel] = data;
    // With LDAC held low the DAC register follows its input register.
    if (!s.ldacHigh) {
        s.dacRegister[channel] = data;
    }
}

void applySerialWord(SimState& s, int value) {
    const int word = value & 0xFFFF;
    s.lastWord = word;
    // Bit 15 is a don't-care for the converter.
    const int address = (word >> 12) & 0x7;
    const int data = word & 0xFFF;
    if (address >= 1 && address <= 4) {
        writeInputRegister(s, address - 1, data);
    } else if (address == 5) {
        for (int k = 0; k < 4; ++k) {
            writeInputRegister(s, k, data);
        }
    } else if (address == 7) {
        s.controlRegister = data;
    }
    // Addresses 0 and 6 have no register behind them.
}

int vendorRequest(Board& b, int request, int value) {
    int status = 0;
    if (faultFires(b, status)) {
        return status;
    }
    if (boardAbsent(b)) {
        return kBoardAbsent;
    }
    if (!b.state.firmwareLoaded) {
        return kNoFirmware;
    }
    SimState& s = b.state;
    switch (request) {
    case kClrLow:
        // The converter's asynchronous clear zeroes every register.
        for (int k = 0; k < 4; ++k) {
            s.inputRegister[k] = 0;
            s.dacRegister[k] = 0;
        }
        s.clrHigh = 0;
        break;
    case kClrHigh:
        s.clrHigh = 1;
        break;
    case kLdacHigh:
        s.ldacHigh = 1;
        break;
    case kLdacLow:
        // LDAC is level-sensitive: taking it low makes the DAC registers
        // transparent, so they pick up what is waiting in the input registers.
        loadDacRegisters(s);
        s.ldacHigh = 0;
        break;
    case kLdacPulse:
        loadDacRegisters(s);
        s.ldacHigh = 1;
        break;
    case kRange30:
        s.range60 = 0;
        break;
    case kRange60:
        s.range60 = 1;
        break;
    case kLampOn:
        s.lampOn = 1;
        break;
    case kLampOff:
        s.lampOn = 0;
        break;
    case kStart:
        s.started = 1;
        break;
    case kSerialWord:
        applySerialWord(s, value);
        break;
    default:
        return kUnknownRequest;
    }
    return 0;
}

} // namespace

extern "C" {

SIMBOARD_API short LoadFirmWare(char* path) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    const int status = loadFirmware(g_board, path);

    LoggedCall call;
    call.kind = SIM_CALL_LOAD_FIRMWARE;
    if (path != nullptr) {
        std::size_t len = 0;
        while (len < sizeof(SimCall::path) - 1 && path[len] != '\0') {
            ++len;
        }
        call.path.assign(path, len);
    }
    call.status = status;
    logCall(g_board, std::move(call));

    if (FILE* f = openTrace()) {
        std::fprintf(f, "LoadFirmWare %s = %d\n", path != nullptr ? path : "(null)", status);
        closeTrace(f);
    }
    return static_cast<short>(status);
}

SIMBOARD_API short VendorIORequest(short request, int value, int index, short arg4, short arg5,
                                   char* buffer) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    const int status = vendorRequest(g_board, request, value);
    const int bufferByte = buffer != nullptr ? static_cast<unsigned char>(*buffer) : -1;

    LoggedCall call;
    call.kind = SIM_CALL_VENDOR_IO;
    call.request = request;
    call.value = value;
    call.index = index;
    call.arg4 = arg4;
    call.arg5 = arg5;
    call.bufferByte = bufferByte;
    call.status = status;
    logCall(g_board, std::move(call));

    if (FILE* f = openTrace()) {
        std::fprintf(f, "VendorIORequest %d %d %d %d %d %d = %d\n", request, value, index, arg4,
                     arg5, bufferByte, status);
        closeTrace(f);
    }
    return static_cast<short>(status);
}

void simboard_reset(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.state = powerOnState();
    // Swap rather than clear so a long run's log memory is handed back.
    std::vector<LoggedCall>().swap(g_board.log);
    g_board.unplugged = false;
    g_board.faultArmed = false;
    g_board.faultCallsLeft = 0;
    g_board.faultStatus = kDefaultFault;
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
    const LoggedCall& c = g_board.log[static_cast<std::size_t>(i)];
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
    *out = g_board.state;
    const double fullScale = out->range60 ? 60.0 : 30.0;
    for (int k = 0; k < 4; ++k) {
        // Control bits 2..5 power up channels 1..4; a powered-down channel
        // reads 0 V whether its output is grounded or three-stated (bit 7).
        const bool poweredUp = (out->controlRegister >> (2 + k)) & 1;
        out->output[k] = poweredUp ? out->dacRegister[k] * fullScale / 4096.0 : 0.0;
    }
}

void simboard_fail_after(int calls, int status) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.faultArmed = true;
    g_board.faultCallsLeft = calls > 0 ? calls : 0;
    g_board.faultStatus = usableFaultStatus(status);
}

void simboard_clear_faults(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.faultArmed = false;
    g_board.faultCallsLeft = 0;
}

void simboard_unplug(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.unplugged = true;
    // The board's RAM loses the firmware when power goes.
    g_board.state.firmwareLoaded = 0;
    g_board.state.started = 0;
}

void simboard_replug(void) {
    std::lock_guard<std::mutex> lock(g_board.mutex);
    g_board.unplugged = false;
}

int simboard_check_intel_hex(const char* data, unsigned long size) {
    return checkIntelHex(reinterpret_cast<const unsigned char*>(data),
                         static_cast<std::size_t>(size));
}

} // extern "C"
