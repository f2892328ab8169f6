#include "ScpiLinearity.h"

#include "ScpiErrors.h"
#include "ScpiParameters.h"
#include "ScpiText.h"
#include "measure/LinearityMath.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace Scpi {

using namespace Text;

namespace {

// A decimal of seconds with an optional unit S, MS or US, 0 or more.
int parseSeconds(std::string_view text, Command& command) {
    std::size_t end = text.size();
    while (end > 0 && isLetter(text[end - 1]))
        --end;
    const std::string_view unit = trim(text.substr(end));
    const int shift = unit.empty() || matches(unit, "S") ? 0
                      : matches(unit, "MS")              ? -3
                      : matches(unit, "US")              ? -6
                                                         : 1;
    if (shift > 0)
        return end == 0 ? Error::CharacterDataNotAllowed : Error::InvalidSuffix;
    std::string_view digits = trim(text.substr(0, end));
    if (!digits.empty() && digits[0] == '+')
        digits.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size())
        return Error::NumericData;
    value *= std::pow(10.0, shift);
    if (!std::isfinite(value) || value < 0 || value > 3600)
        return Error::DataOutOfRange;
    command.volts = value;
    return Error::None;
}

// First, last and step: three codes, each as a Code setting takes it.
int parseCodes(std::string_view text, Command& command) {
    static const Row CodeRow{"", Param::Code, nullptr, nullptr, nullptr};
    for (int k = 0; k < 3; ++k) {
        const std::size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (k == 2))
            return k == 2 ? Error::ParameterNotAllowed : Error::MissingParameter;
        Command part;
        const int error = ParseParameter(CodeRow, trim(text.substr(0, comma)), part);
        if (error != Error::None)
            return error;
        if (part.special != Special::None)
            return Error::CharacterDataNotAllowed;
        command.codes[k] = part.value;
        text = comma == std::string_view::npos ? text : text.substr(comma + 1);
    }
    return Error::None;
}

// The run, or -113 for a panel without one.
Linearity::Control* run(Context& c) {
    if (!c.linearity)
        c.session.error(Error::UndefinedHeader);
    return c.linearity;
}

std::string quoted(const std::string& text) {
    std::string reply = "\"";
    for (const char ch : text)
        reply += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return reply + '"';
}

const char* const StateNames[] = {"IDLE", "RUNNING", "DONE", "ABORTED", "FAILED"};

} // namespace

int ParseAnyParameter(const Row& row, std::string_view text, Command& command) {
    if (!command.query && !text.empty() && row.param == Param::Seconds)
        return parseSeconds(text, command);
    if (!command.query && !text.empty() && row.param == Param::Codes)
        return parseCodes(text, command);
    return ParseParameter(row, text, command);
}

bool ChangesOutput(const Row& row) {
    static const char* const Outputs[] = {"DAC", "LDAC", "CLR", "RANGe", "PDMode", "BOARd:RELoad"};
    const std::string_view spelling = row.spelling;
    if (spelling.size() >= 6 && spelling.substr(spelling.size() - 6) == ":LIMit")
        return false;
    for (const char* prefix : Outputs)
        if (spelling.compare(0, std::strlen(prefix), prefix) == 0)
            return row.set != nullptr;
    return false;
}

namespace Lin {

#define QV_LIN_STRING(Set, Get, field)                                                             \
    void Set(Context& c, const Command& m) {                                                       \
        if (Linearity::Control* r = run(c))                                                        \
            r->settings().field = m.text;                                                          \
    }                                                                                              \
    std::string Get(Context& c, const Command&) {                                                  \
        Linearity::Control* r = run(c);                                                            \
        return r ? quoted(r->settings().field) : std::string();                                    \
    }
QV_LIN_STRING(SetDmm, Dmm, dmm)
QV_LIN_STRING(SetSetup, Setup, setup)
QV_LIN_STRING(SetQuery, QueryText, query)
#undef QV_LIN_STRING

void SetTimeout(Context& c, const Command& m) {
    if (Linearity::Control* r = run(c)) {
        if (m.volts <= 0)
            c.session.error(Error::DataOutOfRange);
        else
            r->settings().timeoutSeconds = m.volts;
    }
}

std::string Timeout(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? Linearity::Number(r->settings().timeoutSeconds) : std::string();
}

void SetChannel(Context& c, const Command& m) {
    if (Linearity::Control* r = run(c)) {
        if (m.value < 1 || m.value > c.panel.channels())
            c.session.error(Error::DataOutOfRange);
        else
            r->settings().channel = m.value;
    }
}

std::string Channel(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? std::to_string(r->settings().channel) : std::string();
}

void SetCodes(Context& c, const Command& m) {
    Linearity::Control* r = run(c);
    if (!r)
        return;
    if (m.codes[0] >= m.codes[1] || m.codes[2] < 1) {
        c.session.error(Error::DataOutOfRange);
        return;
    }
    r->settings().first = m.codes[0];
    r->settings().last = m.codes[1];
    r->settings().step = m.codes[2];
}

std::string Codes(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    if (!r)
        return std::string();
    const Linearity::Settings& s = r->settings();
    return std::to_string(s.first) + ',' + std::to_string(s.last) + ',' + std::to_string(s.step);
}

void SetSettle(Context& c, const Command& m) {
    if (Linearity::Control* r = run(c))
        r->settings().settleSeconds = m.volts;
}

std::string Settle(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? Linearity::Number(r->settings().settleSeconds) : std::string();
}

void SetAverage(Context& c, const Command& m) {
    if (Linearity::Control* r = run(c)) {
        if (m.value < 1)
            c.session.error(Error::DataOutOfRange);
        else
            r->settings().average = m.value;
    }
}

std::string Average(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? std::to_string(r->settings().average) : std::string();
}

void Initiate(Context& c, const Command&) {
    if (Linearity::Control* r = run(c)) {
        const std::string refused = r->start();
        if (!refused.empty())
            c.session.error(Error::SettingsConflict, refused);
    }
}

void Abort(Context& c, const Command&) {
    if (Linearity::Control* r = run(c))
        r->abort();
}

std::string State(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? StateNames[static_cast<int>(r->state())] : std::string();
}

std::string Progress(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? std::to_string(r->pointsDone()) + ',' + std::to_string(r->pointsTotal())
             : std::string();
}

std::string Result(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? r->resultText() : std::string();
}

std::string Data(Context& c, const Command&) {
    Linearity::Control* r = run(c);
    return r ? r->dataText() : std::string();
}

} // namespace Lin

} // namespace Scpi
