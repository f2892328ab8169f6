// Fuzzes the remote command language: the line framer against lines cut
// here by plain splitting, fed whole and in pieces; and the parser on every
// line, which must give only its own errors or commands within range, be
// blind to letter case, give one result per command up to the first error,
// and read back a command written out in long form from the root (whatever
// path it was found at) as the same command, its number written as a
// decimal, #H, #Q, #B or with an exponent, volts with a unit, booleans as
// ON, OFF or a number, ranges in volts or millivolts. The
// commands then run through the command table against a panel that checks
// what reaches it.
#include "model/Codes.h"
#include "remote/LineFramer.h"
#include "remote/ScpiParser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "\n%s for line of %zu bytes:", what, text.size());
    for (const char c : text.substr(0, 200))
        std::fprintf(stderr, " %02x", static_cast<unsigned char>(c));
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    __builtin_trap();
}

using Scpi::Param;
using Scpi::Special;

std::string withCase(std::string text, bool upper);

// The same command, but for the letter case inside a string, which is the
// client's own.
bool sameCommand(const Scpi::Parsed& a, const Scpi::Parsed& b) {
    if (a.error != b.error)
        return false;
    if (a.error != Scpi::Error::None)
        return true;
    return a.command.row == b.command.row && a.command.query == b.command.query &&
           a.command.channel == b.command.channel && a.command.value == b.command.value &&
           a.command.volts == b.command.volts && a.command.special == b.command.special &&
           withCase(a.command.text, true) == withCase(b.command.text, true);
}

bool sameLine(const std::vector<Scpi::Parsed>& a, const std::vector<Scpi::Parsed>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameCommand(a[i], b[i]))
            return false;
    return true;
}

std::string withCase(std::string text, bool upper) {
    for (char& c : text) {
        if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (!upper && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool blank(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) > 0x20)
            return false;
    return true;
}

std::size_t commandCount(std::string_view line) {
    std::size_t count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i)
        if (i == line.size() || line[i] == ';') {
            count += blank(line.substr(start, i - start)) ? 0 : 1;
            start = i + 1;
        }
    return count;
}

// The row's header in long form from the root, with the channel written out.
std::string longHeader(const Scpi::Command& c) {
    const char* spelling = Scpi::Commands[c.row].spelling;
    std::string header = spelling[0] == '*' ? "" : ":";
    for (const char* s = spelling; *s; ++s) {
        if (*s == '#')
            header += std::to_string(c.channel);
        else
            header += *s >= 'a' && *s <= 'z' ? static_cast<char>(*s - 'a' + 'A') : *s;
    }
    return header;
}

std::string binary(int value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + value % 2));
        value /= 2;
    } while (value > 0);
    return digits;
}

// The command written out again from the root, its parameter in the number
// form `form` picks.
std::string longForm(const Scpi::Command& c, unsigned form) {
    const Scpi::Row& row = Scpi::Commands[c.row];
    std::string parameter;
    static const char* const Specials[] = {"", "MINIMUM", "MAXIMUM", "DEFAULT"};
    char number[64];
    if (c.special != Special::None) {
        parameter = Specials[static_cast<int>(c.special)];
    } else if (c.query) {
    } else if (row.param == Param::String) {
        const char quote = form % 2 ? '"' : '\'';
        parameter = quote;
        for (const char ch : c.text)
            parameter += ch == quote ? std::string(2, ch) : std::string(1, ch);
        parameter += quote;
    } else if (row.param == Param::Limit && c.value == 1) {
        parameter = form % 2 ? "OFF" : "off";
    } else if (row.param == Param::Volts || row.param == Param::Limit) {
        std::snprintf(number, sizeof number, form % 2 ? "%.17g V" : "%.17gv", c.volts);
        parameter = number;
    } else if (row.param == Param::Seconds) {
        std::snprintf(number, sizeof number, form % 2 ? "%.17g S" : "%.17g", c.volts);
        parameter = number;
    } else if (row.param == Param::Codes) {
        std::snprintf(number, sizeof number, form % 2 ? "%d,%d,%d" : "%d , #H%X,%d", c.codes[0],
                      c.codes[1], c.codes[2]);
        parameter = number;
    } else if (row.param == Param::Boolean) {
        static const char* const Forms[2][3] = {{"OFF", "0", "0.49"}, {"on", "1", "-2.5E1"}};
        parameter = Forms[c.value != 0][form % 3];
    } else if (row.param == Param::Range) {
        std::snprintf(number, sizeof number, form % 2 ? "%d V" : "%d000mv", c.value);
        parameter = number;
    } else if (row.param == Param::Choice) {
        for (const Scpi::Choice* choice = row.choices; choice->keyword; ++choice)
            if (choice->value == c.value) {
                parameter = withCase(choice->keyword, true);
                break;
            }
    } else if (row.param != Param::None) {
        switch (form % 5) {
        case 0:
            parameter = std::to_string(c.value);
            break;
        case 1:
            std::snprintf(number, sizeof number, "#H%X", static_cast<unsigned>(c.value));
            parameter = number;
            break;
        case 2:
            std::snprintf(number, sizeof number, "#q%o", static_cast<unsigned>(c.value));
            parameter = number;
            break;
        case 3:
            parameter = "#B" + binary(c.value);
            break;
        default:
            std::snprintf(number, sizeof number, "%.6E", static_cast<double>(c.value));
            parameter = number;
            break;
        }
    }
    const std::string header = longHeader(c) + (c.query ? "?" : "");
    return parameter.empty() ? header : header + " " + parameter;
}

void checkCommand(const Scpi::Parsed& p, std::string_view line, unsigned form) {
    switch (p.error) {
    case Scpi::Error::None:
        break;
    case Scpi::Error::Syntax:
    case Scpi::Error::DataType:
    case Scpi::Error::NumericData:
    case Scpi::Error::InvalidCharacterInNumber:
    case Scpi::Error::ExponentTooLarge:
    case Scpi::Error::NumericDataNotAllowed:
    case Scpi::Error::ParameterNotAllowed:
    case Scpi::Error::MissingParameter:
    case Scpi::Error::UndefinedHeader:
    case Scpi::Error::SuffixOutOfRange:
    case Scpi::Error::InvalidSuffix:
    case Scpi::Error::SuffixNotAllowed:
    case Scpi::Error::CharacterDataNotAllowed:
    case Scpi::Error::DataOutOfRange:
    case Scpi::Error::IllegalParameter:
    case Scpi::Error::InvalidString:
    case Scpi::Error::TooMuchData:
        return;
    default:
        fail("an error the parser never gives", line);
    }
    const Scpi::Command& c = p.command;
    if (c.row < 0 || static_cast<std::size_t>(c.row) >= Scpi::CommandCount)
        fail("no such row", line);
    const Scpi::Row& row = Scpi::Commands[c.row];
    const bool numbered = std::string_view(row.spelling).find('#') != std::string_view::npos;
    if (numbered ? (c.channel < 1 || c.channel > 4) : c.channel != 0)
        fail("channel out of range", line);
    if (!(c.query ? row.query != nullptr : row.set != nullptr))
        fail("a form the row does not have", line);
    if (c.special != Special::None && row.param != Param::Code && row.param != Param::Volts &&
        row.param != Param::Range)
        fail("MIN, MAX or DEF where no number is taken", line);
    if (row.param == Param::Range && (c.special != Special::None || !c.query) && c.value != 30 &&
        c.value != 60)
        fail("a range other than 30 or 60", line);
    if (row.param == Param::Boolean && c.value != 0 && c.value != 1)
        fail("a boolean other than 0 or 1", line);
    const int limit = row.param == Param::Byte ? 255 : row.param == Param::Word ? 65535 : 4095;
    if (c.value < 0 || c.value > limit)
        fail("parameter out of range", line);
    if (c.text.size() > Scpi::MaxStringLength)
        fail("a string longer than the longest", line);
    for (const char ch : c.text)
        if (ch < 0x20 || ch > 0x7E)
            fail("a string with a character that is not printable ASCII", line);
    if (!std::isfinite(c.volts))
        fail("volts not finite", line);
    if (row.param == Param::Limit && !c.query && c.value == 0 && !(c.volts >= 0 && c.volts <= 60))
        fail("a limit outside 0 to 60 V", line);
    for (const int range : {30, 60}) {
        const int nearest = Codes::CodeForVolts(c.volts, range);
        if (nearest < -1 || nearest > 4095)
            fail("code for volts out of range", line);
        if (nearest >= 0 && std::fabs(nearest * range / 4096.0 - c.volts) > range / 8192.0 + 1e-9)
            fail("code for volts not the nearest", line);
    }
    const std::string again = longForm(c, form);
    if (!sameCommand(p, Scpi::ParseCommand(again)))
        fail(("long form read back differently: " + again).c_str(), line);
}

// A panel that only checks what the commands ask of it.
class FakePanel : public Scpi::Instrument {
public:
    std::string_view line;
    std::string identity() const override { return "FAKE"; }
    int channels() const override { return 4; }
    void reset() override {}
    void setCode(int channel, int code) override {
        if (channel < 0 || channel > 4 || code < 0 || code > 4095)
            fail("a code or channel out of range reached the panel", line);
    }
    int code(int channel) const override { return channel; }
    int shownCode(int channel) const override { return channel; }
    int codeForVolts(double volts) const override { return Codes::CodeForVolts(volts, 30); }
    std::string voltsForCode(int code) const override { return std::to_string(code); }
    std::string shownVolts(int) const override { return "0.0000"; }
    void pulseLdac() override {}
    void setLdac(bool) override {}
    bool ldacHigh() const override { return true; }
    void pulseClr() override {}
    void setClr(bool) override {}
    void setRange(int volts) override {
        if (volts != 30 && volts != 60)
            fail("a range other than 30 or 60 reached the panel", line);
    }
    int range() const override { return 30; }
    void setPower(int channel, bool) override {
        if (channel < 1 || channel > 4)
            fail("power for no channel reached the panel", line);
    }
    bool powered(int) const override { return false; }
    void setThreeState(bool) override {}
    bool threeState() const override { return false; }
    std::string serialWord() const override { return std::string(); }
    std::string boardStatus() const override { return "0,\"Board: ready\""; }
    bool boardReady() const override { return true; }
    void reload() override {}
    void setLimit(int channel, double volts) override {
        if (channel < 1 || channel > 4 || !(volts < 0 || (volts >= 0 && volts <= 60)))
            fail("a limit out of range, or for no channel, reached the panel", line);
        limit_ = volts;
    }
    double limit(int) const override { return limit_; }
    bool cautionShown() const override { return false; }

private:
    double limit_ = -1;
};

void checkLine(const std::string& line) {
    const std::vector<Scpi::Parsed> parsed = Scpi::ParseLine(line);
    // One result per command up to the first error, which ends the line.
    const std::size_t commands = commandCount(line);
    const bool failed = !parsed.empty() && parsed.back().error != Scpi::Error::None;
    if (parsed.size() > commands || (!failed && parsed.size() != commands))
        fail("not one result per command up to the first error", line);
    for (std::size_t i = 0; i + 1 < parsed.size(); ++i)
        if (parsed[i].error != Scpi::Error::None)
            fail("a command after an error", line);
    unsigned form = 0;
    for (const char c : line)
        form += static_cast<unsigned char>(c);
    for (const Scpi::Parsed& p : parsed)
        checkCommand(p, line, form++);
    if (!sameLine(parsed, Scpi::ParseLine(withCase(line, true))) ||
        !sameLine(parsed, Scpi::ParseLine(withCase(line, false))))
        fail("letter case changes the result", line);
    // The commands run against a panel that checks what reaches it.
    FakePanel panel;
    panel.line = line;
    Scpi::Session session;
    Scpi::Context context{panel, session, nullptr};
    for (const Scpi::Parsed& p : parsed) {
        if (p.error != Scpi::Error::None)
            break;
        bool replied = false;
        Scpi::Run(context, p.command, replied);
    }
    if (session.errors.size() > Scpi::ErrorQueue::Capacity)
        fail("error queue beyond its capacity", line);
}

// The lines in `bytes` cut by plain splitting at LF.
std::vector<Scpi::LineFramer::Line> expectedLines(std::string_view bytes) {
    std::vector<Scpi::LineFramer::Line> lines;
    std::size_t start = 0;
    for (std::size_t lf = bytes.find('\n'); lf != std::string_view::npos;
         start = lf + 1, lf = bytes.find('\n', start)) {
        std::string_view text = bytes.substr(start, lf - start);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        Scpi::LineFramer::Line line;
        if (text.size() > Scpi::MaxLineLength)
            line.tooLong = true;
        else
            line.text = std::string(text);
        lines.push_back(line);
    }
    return lines;
}

bool sameLines(const std::vector<Scpi::LineFramer::Line>& a,
               const std::vector<Scpi::LineFramer::Line>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].tooLong != b[i].tooLong || a[i].text != b[i].text)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // A first byte of 0xFF makes a line around the length limit, from the
    // rest repeated without its LFs: the second byte picks the length (limit
    // - 3 to limit + 4) and whether it ends in CR. The rest follows it. Such
    // inputs check the framer only: parsing their many repeated commands
    // would slow the run down.
    const bool repeated = bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == 0xFF;
    if (repeated) {
        const auto choice = static_cast<unsigned char>(bytes[1]);
        const std::string rest = bytes.substr(2);
        std::string unit;
        for (const char c : rest)
            if (c != '\n')
                unit += c;
        if (unit.empty())
            unit = ";";
        std::string line;
        const std::size_t length = Scpi::MaxLineLength - 3 + choice % 8;
        while (line.size() < length)
            line += unit;
        line.resize(length);
        if (choice & 8)
            line.back() = '\r';
        bytes = line + '\n' + rest;
    }

    const std::vector<Scpi::LineFramer::Line> expected = expectedLines(bytes);
    Scpi::LineFramer whole;
    const std::vector<Scpi::LineFramer::Line> lines = whole.feed(bytes);
    if (!sameLines(lines, expected))
        fail("framer disagrees with splitting", bytes);

    // The same stream in pieces whose lengths the data picks.
    Scpi::LineFramer pieces;
    std::vector<Scpi::LineFramer::Line> pieced;
    for (std::size_t at = 0, i = 0; at < bytes.size(); ++i) {
        const std::size_t length =
            1 + static_cast<unsigned char>(bytes[i % bytes.size()]) % 97 * (i % 3 == 0 ? 53 : 1);
        for (auto& line : pieces.feed(std::string_view(bytes).substr(at, length)))
            pieced.push_back(std::move(line));
        at += length;
    }
    if (!sameLines(pieced, expected))
        fail("framer depends on how the stream is cut", bytes);

    if (repeated)
        return 0;
    for (const Scpi::LineFramer::Line& line : lines)
        if (!line.tooLong)
            checkLine(line.text);
    // Input without a line end is still one line to the parser.
    if (bytes.size() <= Scpi::MaxLineLength && bytes.find('\n') == std::string::npos)
        checkLine(bytes);
    return 0;
}
