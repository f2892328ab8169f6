// The remote command language: one table of commands, each a header pattern
// with the parameter it takes, its setting and its query, over the panel as
// an Instrument (typed commands and queries) and the client's Session. Plain
// C++ without Qt, so a fuzzer can take it alone.
#ifndef SCPICOMMANDS_H
#define SCPICOMMANDS_H

#include "ScpiSession.h"

#include <cstddef>
#include <string>

namespace Scpi {

// What remote control needs of the panel. Channels count from 1 to
// channels(); 0 stands for all of them where a setting allows it.
class Instrument {
public:
    virtual ~Instrument() = default;
    virtual std::string identity() const = 0;
    virtual int channels() const = 0;
    virtual void reset() = 0;
    virtual void setCode(int channel, int code) = 0;
    virtual int code(int channel) const = 0;
    // The code nearest to `volts` in the range in force, or -1 outside it.
    virtual int codeForVolts(double volts) const = 0;
    // Volts as the readings show them, without the "V": of a code in the
    // range in force, and the channel's reading.
    virtual std::string voltsForCode(int code) const = 0;
    virtual std::string shownVolts(int channel) const = 0;
    virtual void pulseLdac() = 0;
    virtual void setLdac(bool high) = 0;
    virtual bool ldacHigh() const = 0;
    virtual void pulseClr() = 0;
    virtual void setClr(bool high) = 0;
    virtual void setRange(int volts) = 0;
    virtual int range() const = 0;
    virtual void setPower(int channel, bool up) = 0;
    virtual bool powered(int channel) const = 0;
    virtual void setThreeState(bool on) = 0;
    virtual bool threeState() const = 0;
    // The serial word's echo, e.g. "0x2800"; empty before the first.
    virtual std::string serialWord() const = 0;
    // `<lastStatus>,"<board status>"`.
    virtual std::string boardStatus() const = 0;
    virtual bool boardReady() const = 0;
    virtual void reload() = 0;
    // A channel's output limit in volts, negative for none.
    virtual void setLimit(int channel, double volts) = 0;
    virtual double limit(int channel) const = 0;
    // The conditions of the OPERation and QUEStionable groups.
    virtual int operationCondition() const = 0;
    virtual int questionableCondition() const = 0;
};

enum class Param {
    None,
    Code,   // 0 to 4095: decimal (integral), #H, #B, #Q; MIN, MAX, DEF
    Volts,  // decimal with an optional V or MV; MIN, MAX, DEF
    Byte,   // a register value, 0 to 255
    Word,   // a register value, 0 to 65535
    Choice, // one of the row's keywords
    Limit,  // volts as for Volts, 0 to 60, or OFF
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
    int value = 0;    // a code, register value or choice
    double volts = 0; // Volts
    Special special = Special::None;
};

struct Context {
    Instrument& panel;
    Session& session;
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
