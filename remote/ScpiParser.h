// The remote command language: lines cut from a byte stream, and each line's
// commands parsed into what the executor runs or the error they give. Plain
// C++ without Qt, so a fuzzer can take it alone.
#ifndef SCPIPARSER_H
#define SCPIPARSER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Scpi {

// Error numbers as the error queue reports them.
namespace Error {
constexpr int None = 0;
constexpr int Syntax = -102;
constexpr int UndefinedHeader = -113;
constexpr int SuffixOutOfRange = -114;
constexpr int SettingsConflict = -221;
constexpr int DataOutOfRange = -222;
constexpr int TooMuchData = -223;
constexpr int IllegalParameter = -224;
constexpr int Hardware = -240;
constexpr int QueueOverflow = -350;
} // namespace Error

// "Syntax error", "No error", ...; "Unknown error" for any other number.
const char* ErrorText(int error);

enum class Header {
    Identify,    // *IDN?
    Reset,       // *RST
    ClearErrors, // *CLS
    Complete,    // *OPC?
    NextError,   // SYSTem:ERRor[:NEXT]?
    DacCode,     // DAC<n>:CODE
    DacVoltage,  // DAC<n>:VOLTage
    AllCode,     // DAC:ALL:CODE
    AllVoltage,  // DAC:ALL:VOLTage
    LdacPulse,   // LDAC:PULSe
    Ldac,        // LDAC HIGH|LOW
    ClrPulse,    // CLR:PULSe
    Clr,         // CLR HIGH|LOW
    Range,       // RANGe 30|60
    Power,       // DAC<n>:POWer ON|OFF
    PowerMode,   // PDMode GND|TRIState
    Word,        // WORD?
    BoardStatus, // BOARd:STATus?
    BoardReload, // BOARd:RELoad
};

struct Command {
    Header header = Header::Identify;
    bool query = false;
    // DAC<n>: n from 1 to 4 (1 when the suffix is left out); 0 elsewhere.
    int channel = 0;
    // The setting's parameter: a code (0 to 4095); 1 for HIGH, ON and
    // TRIState, 0 for LOW, OFF and GND; 30 or 60 for a range.
    int value = 0;
    double volts = 0; // VOLTage settings
};

// One command of a line: `error` is 0 when `command` holds it.
struct Parsed {
    int error = Error::None;
    Command command;
};

// The commands of one line (without its line end), separated by ';'. Each
// command carries its whole header; empty ones are skipped.
std::vector<Parsed> ParseLine(std::string_view line);
Parsed ParseCommand(std::string_view text);

// The code nearest to `volts` in a range of `rangeVolts` (30 or 60), or -1
// when that code lies outside 0 to 4095.
int CodeForVolts(double volts, int rangeVolts);

} // namespace Scpi

#endif
