#include "ScpiCommands.h"

#include "ScpiErrors.h"
#include "ScpiLinearity.h"
#include "model/Converter.h"

#include <cstdio>

namespace Scpi {

namespace {

constexpr Choice Levels[] = {{"HIGH", 1}, {"LOW", 0}, {nullptr, 0}};
constexpr Choice Modes[] = {{"GND", 0}, {"TRIState", 1}, {nullptr, 0}};

std::string number(int value) {
    return std::to_string(value);
}

// MIN and DEF are code 0, MAX the largest code.
int specialCode(Special special) {
    return special == Special::Maximum ? Converter::MaxCode : 0;
}

// The code a Code or Volts setting asks for, or -1 after queueing -222.
int codeOf(Context& c, const Command& command) {
    if (command.special != Special::None)
        return specialCode(command.special);
    const Row& row = Commands[command.row];
    const int code =
        row.param == Param::Volts ? c.panel.codeForVolts(command.volts) : command.value;
    if (code < 0)
        c.session.error(Error::DataOutOfRange);
    return code;
}

void setCode(Context& c, const Command& command) {
    const int code = codeOf(c, command);
    if (code >= 0)
        c.panel.setCode(command.channel, code);
}

void setAll(Context& c, const Command& command) {
    if (c.panel.channels() == 1) {
        c.session.error(Error::SettingsConflict);
        return;
    }
    const int code = codeOf(c, command);
    if (code >= 0)
        c.panel.setCode(0, code);
}

std::string code(Context& c, const Command& command) {
    return number(command.special != Special::None ? specialCode(command.special)
                                                   : c.panel.code(command.channel));
}

// What was set: the code loaded, also while it waits for an LDAC, in volts.
std::string volts(Context& c, const Command& command) {
    return c.panel.voltsForCode(command.special != Special::None ? specialCode(command.special)
                                                                 : c.panel.code(command.channel));
}

// A limit as the readings give volts ("20.0000"), or OFF.
std::string limitText(double volts) {
    if (volts < 0)
        return "OFF";
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", volts);
    return text;
}

// String data as a reply: in double quotes, a quote doubled.
std::string quoted(const std::string& text) {
    std::string reply = "\"";
    for (const char c : text)
        reply += c == '"' ? std::string("\"\"") : std::string(1, c);
    return reply + '"';
}

// The event register as read, then cleared.
std::string take(int& event) {
    const int value = event;
    event = 0;
    return number(value);
}

// The bit 15 of a SCPI status register is always 0.
constexpr int RegisterBits = 0x7FFF;

} // namespace

const Row Commands[] = {
    // IEEE 488.2 common commands.
    {"*CLS", Param::None, nullptr, [](Context& c, const Command&) { c.session.clear(); }, nullptr},
    {"*ESE", Param::Byte, nullptr,
     [](Context& c, const Command& m) { c.session.eventEnable = m.value; },
     [](Context& c, const Command&) { return number(c.session.eventEnable); }},
    {"*ESR", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return take(c.session.eventStatus); }},
    {"*IDN", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return c.panel.identity(); }},
    // Commands run in order and complete at once.
    {"*OPC", Param::None, nullptr,
     [](Context& c, const Command&) { c.session.eventStatus |= Session::OperationComplete; },
     [](Context&, const Command&) { return std::string("1"); }},
    {"*RST", Param::None, nullptr,
     [](Context& c, const Command&) {
         if (c.linearity)
             c.linearity->endAtOnce("*RST");
         c.panel.reset();
     },
     nullptr},
    {"*SRE", Param::Byte, nullptr,
     [](Context& c, const Command& m) {
         c.session.serviceEnable = m.value & ~Session::MasterSummaryBit;
     },
     [](Context& c, const Command&) { return number(c.session.serviceEnable); }},
    {"*STB", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return number(c.session.statusByte()); }},
    // A self-test that sends nothing: the board's state as last seen.
    {"*TST", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return std::string(c.panel.boardReady() ? "0" : "1"); }},
    {"*WAI", Param::None, nullptr, [](Context&, const Command&) {}, nullptr},
    // SCPI-1999 required commands.
    {"SYSTem:ERRor", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return c.session.errors.pop(); }},
    {"SYSTem:ERRor:NEXT", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return c.session.errors.pop(); }},
    {"SYSTem:ERRor:COUNt", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return number(c.session.errors.size()); }},
    {"SYSTem:ERRor:ALL", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) {
         std::string all = c.session.errors.pop();
         while (c.session.errors.size() > 0)
             all += ',' + c.session.errors.pop();
         return all;
     }},
    // A client names itself for the panel's history ("Tango").
    {"SYSTem:CLIent", Param::String, nullptr,
     [](Context& c, const Command& m) { c.session.client = m.text; },
     [](Context& c, const Command&) { return quoted(c.session.client); }},
    {"SYSTem:VERSion", Param::None, nullptr, nullptr,
     [](Context&, const Command&) { return std::string("1999.0"); }},
    {"STATus:OPERation", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return take(c.session.operationEvent); }},
    {"STATus:OPERation:EVENt", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return take(c.session.operationEvent); }},
    {"STATus:OPERation:CONDition", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return number(OperationCondition(c.panel)); }},
    {"STATus:OPERation:ENABle", Param::Word, nullptr,
     [](Context& c, const Command& m) { c.session.operationEnable = m.value & RegisterBits; },
     [](Context& c, const Command&) { return number(c.session.operationEnable); }},
    {"STATus:QUEStionable", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return take(c.session.questionableEvent); }},
    {"STATus:QUEStionable:EVENt", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return take(c.session.questionableEvent); }},
    {"STATus:QUEStionable:CONDition", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return number(QuestionableCondition(c.panel)); }},
    {"STATus:QUEStionable:ENABle", Param::Word, nullptr,
     [](Context& c, const Command& m) { c.session.questionableEnable = m.value & RegisterBits; },
     [](Context& c, const Command&) { return number(c.session.questionableEnable); }},
    {"STATus:PRESet", Param::None, nullptr,
     [](Context& c, const Command&) {
         c.session.operationEnable = 0;
         c.session.questionableEnable = 0;
     },
     nullptr},
    // The panel.
    {"DAC#:CODE", Param::Code, nullptr, setCode, code},
    {"DAC#:VOLTage", Param::Volts, nullptr, setCode, volts},
    // What the output holds, as the channel's reading shows it.
    {"DAC#:CODE:OUTPut", Param::None, nullptr, nullptr,
     [](Context& c, const Command& m) { return number(c.panel.shownCode(m.channel)); }},
    {"DAC#:VOLTage:OUTPut", Param::None, nullptr, nullptr,
     [](Context& c, const Command& m) { return c.panel.shownVolts(m.channel); }},
    {"DAC:ALL:CODE", Param::Code, nullptr, setAll, nullptr},
    {"DAC:ALL:VOLTage", Param::Volts, nullptr, setAll, nullptr},
    {"DAC#:VOLTage:LIMit", Param::Limit, nullptr,
     [](Context& c, const Command& m) { c.panel.setLimit(m.channel, m.value ? -1 : m.volts); },
     [](Context& c, const Command& m) { return limitText(c.panel.limit(m.channel)); }},
    {"DAC#:POWer", Param::Boolean, nullptr,
     [](Context& c, const Command& m) { c.panel.setPower(m.channel, m.value != 0); },
     [](Context& c, const Command& m) {
         return std::string(c.panel.powered(m.channel) ? "1" : "0");
     }},
    {"LDAC:PULSe", Param::None, nullptr, [](Context& c, const Command&) { c.panel.pulseLdac(); },
     nullptr},
    {"LDAC", Param::Choice, Levels,
     [](Context& c, const Command& m) { c.panel.setLdac(m.value != 0); },
     [](Context& c, const Command&) { return std::string(c.panel.ldacHigh() ? "HIGH" : "LOW"); }},
    {"CLR:PULSe", Param::None, nullptr, [](Context& c, const Command&) { c.panel.pulseClr(); },
     nullptr},
    {"CLR", Param::Choice, Levels,
     [](Context& c, const Command& m) { c.panel.setClr(m.value != 0); }, nullptr},
    {"RANGe", Param::Range, nullptr,
     [](Context& c, const Command& m) { c.panel.setRange(m.value); },
     [](Context& c, const Command& m) {
         return number(m.special != Special::None ? m.value : c.panel.range());
     }},
    {"PDMode", Param::Choice, Modes,
     [](Context& c, const Command& m) { c.panel.setThreeState(m.value != 0); },
     [](Context& c, const Command&) { return std::string(c.panel.threeState() ? "TRIS" : "GND"); }},
    {"WORD", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) {
         const std::string word = c.panel.serialWord();
         return word.empty() ? std::string("\"\"") : word;
     }},
    {"BOARd:STATus", Param::None, nullptr, nullptr,
     [](Context& c, const Command&) { return c.panel.boardStatus(); }},
    {"BOARd:RELoad", Param::None, nullptr, [](Context& c, const Command&) { c.panel.reload(); },
     nullptr},
    // The linearity run.
    {"LINearity:DMM", Param::String, nullptr, Lin::SetDmm, Lin::Dmm},
    {"LINearity:DMM:SETup", Param::String, nullptr, Lin::SetSetup, Lin::Setup},
    {"LINearity:DMM:QUERy", Param::String, nullptr, Lin::SetQuery, Lin::QueryText},
    {"LINearity:DMM:TIMeout", Param::Seconds, nullptr, Lin::SetTimeout, Lin::Timeout},
    {"LINearity:CHANnel", Param::Byte, nullptr, Lin::SetChannel, Lin::Channel},
    {"LINearity:CODes", Param::Codes, nullptr, Lin::SetCodes, Lin::Codes},
    {"LINearity:SETTle", Param::Seconds, nullptr, Lin::SetSettle, Lin::Settle},
    {"LINearity:AVERage", Param::Word, nullptr, Lin::SetAverage, Lin::Average},
    {"LINearity:INITiate", Param::None, nullptr, Lin::Initiate, nullptr},
    {"LINearity:ABORt", Param::None, nullptr, Lin::Abort, nullptr},
    {"LINearity:STATe", Param::None, nullptr, nullptr, Lin::State},
    {"LINearity:PROGress", Param::None, nullptr, nullptr, Lin::Progress},
    {"LINearity:RESult", Param::None, nullptr, nullptr, Lin::Result},
    {"LINearity:DATA", Param::None, nullptr, nullptr, Lin::Data},
};

const std::size_t CommandCount = sizeof Commands / sizeof Commands[0];

int OperationCondition(const Instrument& panel) {
    return panel.cautionShown() ? Condition::Caution : 0;
}

int QuestionableCondition(const Instrument& panel) {
    return panel.boardReady() ? 0 : Condition::BoardNotReady;
}

std::string Run(Context& context, const Command& command, bool& replied) {
    replied = false;
    // The single part has DAC1 only.
    if (command.channel > context.panel.channels()) {
        context.session.error(Error::SuffixOutOfRange);
        return std::string();
    }
    const Row& row = Commands[command.row];
    if (!command.query && context.linearity && context.linearity->running() && ChangesOutput(row)) {
        context.session.error(Error::Execution, "linearity run in progress");
        return std::string();
    }
    if (!command.query) {
        row.set(context, command);
        return std::string();
    }
    const std::uint64_t errors = context.session.errors.pushed();
    std::string reply = row.query(context, command);
    replied = context.session.errors.pushed() == errors;
    return replied ? reply : std::string();
}

} // namespace Scpi
