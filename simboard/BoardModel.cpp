// Simulated evaluation board: stands in for the vendor's USB library so the
// panel can be run and tested without hardware. It models the board's lines
// and the converter's registers, and can be told to fail.
//
// The converter, as the panel is built for it:
// - A serial word to address 1-4 writes that channel's input register, 5 all
//   four, 7 the control register; 0 and 6 change nothing.
// - While LDAC is low and CLR high, a written input register passes straight
//   to its DAC register. Taking LDAC low, or pulsing it, with CLR high loads
//   every input register into its DAC register; taking LDAC high loads
//   nothing.
// - CLR low clears the DAC registers and holds them at 0 while CLR stays low;
//   nothing loads them meanwhile. The input registers keep their codes, so
//   the next LDAC pulse or LDAC low after CLR goes high brings the previous
//   outputs back. Taking CLR high alone loads nothing.
// - An output is its DAC register's code x range / 4096 volts while its
//   channel is powered up (control bits 2-5), else 0 V; BOARDPORT_ERRORS adds
//   gain, offset, bow and step errors (ConverterErrors).
#include "BoardModel.h"

#include "FirmwareFile.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace simboard {

namespace {

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
    return (status < 0 && status >= SHRT_MIN) ? static_cast<int>(status) : SIM_DEFAULT_FAULT;
}

void loadDacRegisters(SimState& s) {
    if (!s.clrHigh) {
        return;
    }
    for (int k = 0; k < 4; ++k) {
        s.dacRegister[k] = s.inputRegister[k];
    }
}

void writeInputRegister(SimState& s, int channel, int data) {
    s.inputRegister[channel] = data;
    // With LDAC held low the DAC register follows its input register.
    if (!s.ldacHigh && s.clrHigh) {
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

// Applies a request to a board with firmware; false for an unknown one.
bool applyRequest(SimState& s, int request, int value) {
    switch (request) {
    case SIM_REQUEST_CLR_LOW:
        for (int k = 0; k < 4; ++k) {
            s.dacRegister[k] = 0;
        }
        s.clrHigh = 0;
        break;
    case SIM_REQUEST_CLR_HIGH:
        s.clrHigh = 1;
        break;
    case SIM_REQUEST_LDAC_HIGH:
        s.ldacHigh = 1;
        break;
    case SIM_REQUEST_LDAC_LOW:
        s.ldacHigh = 0;
        loadDacRegisters(s);
        break;
    case SIM_REQUEST_LDAC_PULSE:
        loadDacRegisters(s);
        s.ldacHigh = 1;
        break;
    case SIM_REQUEST_RANGE_30V:
        s.range60 = 0;
        break;
    case SIM_REQUEST_RANGE_60V:
        s.range60 = 1;
        break;
    case SIM_REQUEST_LAMP_ON:
        s.lampOn = 1;
        break;
    case SIM_REQUEST_LAMP_OFF:
        s.lampOn = 0;
        break;
    case SIM_REQUEST_START:
        s.started = 1;
        break;
    case SIM_REQUEST_SERIAL_WORD:
        applySerialWord(s, value);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace

// Lets a whole program run against a failing board without code changes:
// the fault is armed once, when the library is loaded.
Board::Board() : state(powerOnState()), errors(ConverterErrors::FromEnvironment()) {
    long calls = 0;
    if (!parseInt(std::getenv("BOARDPORT_FAIL_AFTER"), calls) || calls < 0) {
        return;
    }
    long status = SIM_DEFAULT_FAULT;
    if (!parseInt(std::getenv("BOARDPORT_FAIL_STATUS"), status)) {
        status = SIM_DEFAULT_FAULT;
    }
    faultArmed = true;
    faultCallsLeft = static_cast<int>(calls);
    faultStatus = usableFaultStatus(status);
}

// Counts the call against an armed fault; true when this call must fail.
bool Board::faultFires(int& status) {
    if (!faultArmed) {
        return false;
    }
    if (faultCallsLeft > 0) {
        --faultCallsLeft;
        return false;
    }
    status = faultStatus;
    return true;
}

// Read on every call so a test can take the board away mid-run.
bool Board::absent() const {
    const char* v = std::getenv("BOARDPORT_ABSENT");
    const bool absentByEnv = v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
    return absentByEnv || unplugged;
}

int Board::loadFirmware(const char* path) {
    int status = SIM_OK;
    if (faultFires(status)) {
        return status;
    }
    if (absent()) {
        return SIM_BOARD_ABSENT;
    }
    if (path == nullptr) {
        return SIM_NULL_PATH;
    }
    status = readFirmwareFile(path);
    if (status != SIM_OK) {
        return status;
    }
    state.firmwareLoaded = 1;
    state.started = 0;
    return SIM_OK;
}

int Board::vendorRequest(int request, int value) {
    int status = SIM_OK;
    if (faultFires(status)) {
        return status;
    }
    if (absent()) {
        return SIM_BOARD_ABSENT;
    }
    if (!state.firmwareLoaded) {
        return SIM_NO_FIRMWARE;
    }
    return applyRequest(state, request, value) ? SIM_OK : SIM_UNKNOWN_REQUEST;
}

void Board::logCall(LoggedCall&& call) {
    if (log.size() < kMaxLoggedCalls) {
        log.push_back(std::move(call));
    }
}

void Board::powerOn() {
    state = powerOnState();
    errors = ConverterErrors::FromEnvironment();
    // Swap rather than clear so a long run's log memory is handed back.
    std::vector<LoggedCall>().swap(log);
    unplugged = false;
    faultArmed = false;
    faultCallsLeft = 0;
    faultStatus = SIM_DEFAULT_FAULT;
}

void Board::failAfter(int calls, long status) {
    faultArmed = true;
    faultCallsLeft = calls > 0 ? calls : 0;
    faultStatus = usableFaultStatus(status);
}

void Board::unplug() {
    unplugged = true;
    // The board's RAM loses the firmware when power goes.
    state.firmwareLoaded = 0;
    state.started = 0;
}

SimState Board::observedState() const {
    SimState s = state;
    const double fullScale = s.range60 ? 60.0 : 30.0;
    for (int k = 0; k < 4; ++k) {
        // Control bits 2..5 power up channels 1..4; a powered-down channel
        // reads 0 V whether its output is grounded or three-stated (bit 7).
        const bool poweredUp = (s.controlRegister >> (2 + k)) & 1;
        // CLR low holds the outputs cleared.
        s.output[k] = poweredUp && s.clrHigh ? errors.volts(s.dacRegister[k], fullScale) : 0.0;
    }
    return s;
}

} // namespace simboard
