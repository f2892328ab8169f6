#include "ScpiParser.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace Scpi {

namespace {

enum class Param { None, Code, Volts, Choice };

struct Choice {
    const char* keyword;
    int value;
};

constexpr Choice Levels[] = {{"HIGH", 1}, {"LOW", 0}, {nullptr, 0}};
constexpr Choice Ranges[] = {{"30", 30}, {"60", 60}, {nullptr, 0}};
constexpr Choice Switches[] = {{"ON", 1}, {"OFF", 0}, {"1", 1}, {"0", 0}, {nullptr, 0}};
constexpr Choice Modes[] = {{"GND", 0}, {"TRIState", 1}, {nullptr, 0}};

enum Form { Setting = 1, Query = 2, Both = 3 };

// Headers as the table spells them: nodes joined by ':', '#' where a channel
// number may follow. In a keyword the capitals are its short form and the
// whole word its long form ("VOLTage": VOLT or VOLTAGE, in any case).
struct Row {
    const char* spelling;
    Header header;
    Form form;
    Param param;
    const Choice* choices;
};

constexpr Row Rows[] = {
    {"*IDN", Header::Identify, Query, Param::None, nullptr},
    {"*RST", Header::Reset, Setting, Param::None, nullptr},
    {"*CLS", Header::ClearErrors, Setting, Param::None, nullptr},
    {"*OPC", Header::Complete, Query, Param::None, nullptr},
    {"SYSTem:ERRor", Header::NextError, Query, Param::None, nullptr},
    {"SYSTem:ERRor:NEXT", Header::NextError, Query, Param::None, nullptr},
    {"DAC#:CODE", Header::DacCode, Both, Param::Code, nullptr},
    {"DAC#:VOLTage", Header::DacVoltage, Both, Param::Volts, nullptr},
    {"DAC:ALL:CODE", Header::AllCode, Setting, Param::Code, nullptr},
    {"DAC:ALL:VOLTage", Header::AllVoltage, Setting, Param::Volts, nullptr},
    {"LDAC:PULSe", Header::LdacPulse, Setting, Param::None, nullptr},
    {"LDAC", Header::Ldac, Both, Param::Choice, Levels},
    {"CLR:PULSe", Header::ClrPulse, Setting, Param::None, nullptr},
    {"CLR", Header::Clr, Setting, Param::Choice, Levels},
    {"RANGe", Header::Range, Both, Param::Choice, Ranges},
    {"DAC#:POWer", Header::Power, Both, Param::Choice, Switches},
    {"PDMode", Header::PowerMode, Both, Param::Choice, Modes},
    {"WORD", Header::Word, Query, Param::None, nullptr},
    {"BOARd:STATus", Header::BoardStatus, Query, Param::None, nullptr},
    {"BOARd:RELoad", Header::BoardReload, Setting, Param::None, nullptr},
};

constexpr int MaxNodes = 3;
constexpr int MaxChannel = 4;
constexpr int MaxCode = 4095;

// Every control character and the space separate, as in IEEE 488.2; LF never
// reaches the parser.
bool isSpace(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}
bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool matches(std::string_view word, std::string_view keyword) {
    const std::size_t longLength = keyword.size();
    std::size_t shortLength = 0;
    while (shortLength < longLength &&
           !(keyword[shortLength] >= 'a' && keyword[shortLength] <= 'z'))
        ++shortLength;
    if (word.size() != shortLength && word.size() != longLength)
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (upper(word[i]) != upper(keyword[i]))
            return false;
    return true;
}

// Digits to a number that stops growing past `limit`, so no input overflows.
long digitsValue(std::string_view digits, int base, long limit) {
    long value = 0;
    for (const char c : digits) {
        const int digit = isDigit(c) ? c - '0' : upper(c) - 'A' + 10;
        value = value * base + digit;
        if (value > limit)
            return limit + 1;
    }
    return value;
}

bool allOf(std::string_view s, bool (*test)(char)) {
    for (const char c : s)
        if (!test(c))
            return false;
    return true;
}

bool isHexDigit(char c) {
    return isDigit(c) || (upper(c) >= 'A' && upper(c) <= 'F');
}

// A code: decimal with an optional sign, or hexadecimal as #H800.
int parseCode(std::string_view text, int& code) {
    long value;
    if (text.size() >= 2 && text[0] == '#') {
        const std::string_view digits = text.substr(2);
        if (upper(text[1]) != 'H' || digits.empty() || !allOf(digits, isHexDigit))
            return Error::IllegalParameter;
        value = digitsValue(digits, 16, MaxCode);
    } else {
        const bool negative = !text.empty() && text[0] == '-';
        if (!text.empty() && (text[0] == '-' || text[0] == '+'))
            text.remove_prefix(1);
        if (text.empty() || !allOf(text, isDigit))
            return Error::IllegalParameter;
        value = digitsValue(text, 10, MaxCode);
        if (negative && value != 0)
            return Error::DataOutOfRange;
    }
    if (value > MaxCode)
        return Error::DataOutOfRange;
    code = static_cast<int>(value);
    return Error::None;
}

// A decimal number: sign, digits with an optional point, optional exponent.
int parseVolts(std::string_view text, double& volts) {
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return Error::IllegalParameter;
    if (i < text.size() && upper(text[i]) == 'E') {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        const std::size_t exponentStart = i;
        for (; i < text.size() && isDigit(text[i]); ++i) {
        }
        if (i == exponentStart)
            return Error::IllegalParameter;
    }
    if (i != text.size())
        return Error::IllegalParameter;
    // from_chars ignores the locale, which the application has set from the
    // user's environment; it takes no '+'.
    double value = 0;
    const std::from_chars_result result =
        std::from_chars(text.data() + numberStart, text.data() + text.size(), value);
    // A number beyond a double's range, either way, is out of range here too.
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return Error::DataOutOfRange;
    volts = negative ? -value : value;
    return Error::None;
}

int parseChoice(std::string_view text, const Choice* choices, int& value) {
    for (const Choice* choice = choices; choice->keyword; ++choice)
        if (matches(text, choice->keyword)) {
            value = choice->value;
            return Error::None;
        }
    return Error::IllegalParameter;
}

struct HeaderNode {
    std::string_view name;
    std::string_view suffix; // digits
};

// Whether `nodes` spell the row's header. `channel` gets the channel number
// (1 when left out, -1 when out of range), or 0 for a header without one.
bool sameHeader(const Row& row, const HeaderNode* nodes, int nodeCount, int& channel) {
    std::string_view spelling = row.spelling;
    channel = 0;
    for (int i = 0;; ++i) {
        const std::size_t colon = spelling.find(':');
        std::string_view keyword = spelling.substr(0, colon);
        const bool numbered = keyword.back() == '#';
        if (numbered)
            keyword.remove_suffix(1);
        if (i == nodeCount || !matches(nodes[i].name, keyword) ||
            (!numbered && !nodes[i].suffix.empty()))
            return false;
        if (numbered) {
            const long n =
                nodes[i].suffix.empty() ? 1 : digitsValue(nodes[i].suffix, 10, MaxChannel);
            channel = n < 1 || n > MaxChannel ? -1 : static_cast<int>(n);
        }
        if (colon == std::string_view::npos)
            return i + 1 == nodeCount;
        spelling.remove_prefix(colon + 1);
    }
}

} // namespace

const char* ErrorText(int error) {
    switch (error) {
    case Error::None:
        return "No error";
    case Error::Syntax:
        return "Syntax error";
    case Error::UndefinedHeader:
        return "Undefined header";
    case Error::SuffixOutOfRange:
        return "Header suffix out of range";
    case Error::SettingsConflict:
        return "Settings conflict";
    case Error::DataOutOfRange:
        return "Data out of range";
    case Error::TooMuchData:
        return "Too much data";
    case Error::IllegalParameter:
        return "Illegal parameter value";
    case Error::Hardware:
        return "Hardware error";
    case Error::QueueOverflow:
        return "Queue overflow";
    default:
        return "Unknown error";
    }
}

Parsed ParseCommand(std::string_view text) {
    Parsed parsed;
    auto fail = [&parsed](int error) {
        parsed.error = error;
        return parsed;
    };
    text = trim(text);
    std::size_t headerEnd = 0;
    while (headerEnd < text.size() && !isSpace(text[headerEnd]))
        ++headerEnd;
    std::string_view header = text.substr(0, headerEnd);
    const std::string_view parameter = trim(text.substr(headerEnd));

    const bool query = !header.empty() && header.back() == '?';
    if (query)
        header.remove_suffix(1);
    if (header.empty())
        return fail(Error::Syntax);

    HeaderNode nodes[MaxNodes];
    int nodeCount = 0;
    if (header.front() == '*') {
        if (header.size() < 2 || !allOf(header.substr(1), isLetter))
            return fail(Error::Syntax);
        nodes[nodeCount++] = {header, {}};
    } else {
        if (header.front() == ':')
            header.remove_prefix(1);
        bool tooMany = false;
        for (;;) {
            const std::size_t colon = header.find(':');
            const std::string_view node = header.substr(0, colon);
            std::size_t letters = 0;
            while (letters < node.size() && isLetter(node[letters]))
                ++letters;
            const std::string_view suffix = node.substr(letters);
            if (letters == 0 || !allOf(suffix, isDigit))
                return fail(Error::Syntax);
            if (nodeCount < MaxNodes)
                nodes[nodeCount++] = {node.substr(0, letters), suffix};
            else
                tooMany = true;
            if (colon == std::string_view::npos)
                break;
            header.remove_prefix(colon + 1);
        }
        if (tooMany)
            return fail(Error::UndefinedHeader);
    }

    const Row* row = nullptr;
    int channel = 0;
    for (const Row& candidate : Rows)
        if (sameHeader(candidate, nodes, nodeCount, channel)) {
            row = &candidate;
            break;
        }
    if (!row || !(row->form & (query ? Query : Setting)))
        return fail(Error::UndefinedHeader);
    if (channel < 0)
        return fail(Error::SuffixOutOfRange);

    parsed.command.header = row->header;
    parsed.command.query = query;
    parsed.command.channel = channel;
    if (query || row->param == Param::None)
        return parameter.empty() ? parsed : fail(Error::Syntax);
    if (parameter.empty() || parameter.find(',') != std::string_view::npos)
        return fail(Error::Syntax);
    int error = Error::None;
    switch (row->param) {
    case Param::Code:
        error = parseCode(parameter, parsed.command.value);
        break;
    case Param::Volts:
        error = parseVolts(parameter, parsed.command.volts);
        break;
    case Param::Choice:
        error = parseChoice(parameter, row->choices, parsed.command.value);
        break;
    case Param::None:
        break;
    }
    return error == Error::None ? parsed : fail(error);
}

std::vector<Parsed> ParseLine(std::string_view line) {
    std::vector<Parsed> commands;
    for (;;) {
        const std::size_t semicolon = line.find(';');
        const std::string_view text = line.substr(0, semicolon);
        if (!trim(text).empty())
            commands.push_back(ParseCommand(text));
        if (semicolon == std::string_view::npos)
            break;
        line.remove_prefix(semicolon + 1);
    }
    return commands;
}

int CodeForVolts(double volts, int rangeVolts) {
    if (rangeVolts <= 0)
        return -1;
    const double exact = volts * 4096.0 / rangeVolts;
    // Written so that NaN fails too.
    if (!(exact > -0.5 && exact < MaxCode + 0.5))
        return -1;
    return static_cast<int>(std::lround(exact));
}

} // namespace Scpi
