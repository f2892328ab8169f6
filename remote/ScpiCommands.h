// The remote command language: one table of commands, each a header pattern
// with the parameter it takes, its setting and its query, over the panel as
// an Instrument (typed commands and queries) and the client's Session. Plain
// C++ without Qt, so a fuzzer can take it alone.
#ifndef SCPICOMMANDS_H
#define SCPICOMMANDS_H

#include "ScpiSession.h"
#include "measure/LinearityControl.h"
#include "model/Instrument.h"

#include <cstddef>
#include <string>

namespace Scpi {

// What remote control needs of the panel (implemented by its model).
using ::Instrument;

// The conditions of the OPERation and QUEStionable groups.
int OperationCondition(const Instrument& panel);
int QuestionableCondition(const Instrument& panel);

enum class Param {
    None,
    Code,    // 0 to 4095: decimal (rounded), #H, #B, #Q; MIN, MAX, DEF
    Volts,   // decimal with an optional unit V, MV, UV or KV; MIN, MAX, DEF
    Byte,    // a register value, 0 to 255, as a code without MIN, MAX, DEF
    Word,    // a register value, 0 to 65535, the same
    Choice,  // one of the row's keywords
    Limit,   // volts as for Volts, 0 to 60, or OFF
    Boolean, // ON, OFF or a decimal, rounded: not 0 is ON (value 1)
    Range,   // 30 or 60 volts, with units as for Volts; MIN and DEF 30, MAX 60
    String,  // "text" or 'text', a doubled quote for a quote; printable ASCII
    Seconds, // a decimal, 0 or more, with an optional unit S, MS or US
    Codes,   // three codes separated by commas: first, last and step
};

enum class Special { None, Minimum, Maximum, Default };

struct Choice {
    const char* keyword;
    int value;
};

struct Command {
    int row = -1; // in Commands
    bool query = false;
    // DAC<n>: n (1 when the suffix is left out); 0 elsewhere.
    int channel = 0;
    int value = 0;    // a code, register value, choice, boolean or range
    double volts = 0; // Volts
    Special special = Special::None;
    std::string text;         // String
    int codes[3] = {0, 0, 0}; // Codes
};

// The longest String a client may send.
constexpr std::size_t MaxStringLength = 64;

struct Context {
    Instrument& panel;
    Session& session;
    // The linearity run, where the panel has one.
    Linearity::Control* linearity;
};

using Setter = void (*)(Context&, const Command&);
// A reply; an error (queued by the query) gives no reply.
using Query = std::string (*)(Context&, const Command&);

// In a keyword the capitals are its short form and the whole word its long
// form ("VOLTage": VOLT or VOLTAGE, any case); nodes are joined by ':', '#'
// marks where a channel number may follow. A node that may be left out
// (SYSTem:ERRor[:NEXT]) gets a row for each spelling.
struct Row {
    const char* spelling;
    Param param;
    const Choice* choices; // Choice rows: ends with a null keyword
    Setter set;            // null: no setting form
    Query query;           // null: no query form
};

extern const Row Commands[];
extern const std::size_t CommandCount;

// Runs a parsed command; errors go to the session. The reply of a query,
// empty for a setting or a failed query (`replied` tells them apart).
std::string Run(Context& context, const Command& command, bool& replied);

} // namespace Scpi

#endif
