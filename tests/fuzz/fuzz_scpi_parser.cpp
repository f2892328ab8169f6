// Fuzzes the remote command language: the line framer against lines cut
// here by plain splitting, fed whole and in pieces; and the parser on every
// line, which must give only its own errors or commands within range, be
// blind to letter case, give one result per command, and read back a
// command written out in long form as the same command.
#include "LineFramer.h"
#include "ScpiParser.h"

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

using Scpi::Header;

bool sameCommand(const Scpi::Parsed& a, const Scpi::Parsed& b) {
    if (a.error != b.error)
        return false;
    if (a.error != Scpi::Error::None)
        return true;
    return a.command.header == b.command.header && a.command.query == b.command.query &&
           a.command.channel == b.command.channel && a.command.value == b.command.value &&
           a.command.volts == b.command.volts;
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

bool takesChannel(Header h) {
    return h == Header::DacCode || h == Header::DacVoltage || h == Header::Power;
}

// The command in long form, with its parameter written out.
std::string longForm(const Scpi::Command& c) {
    const std::string dac = "DAC" + std::to_string(c.channel);
    std::string header;
    std::string parameter;
    switch (c.header) {
    case Header::Identify:
        header = "*IDN";
        break;
    case Header::Reset:
        header = "*RST";
        break;
    case Header::ClearErrors:
        header = "*CLS";
        break;
    case Header::Complete:
        header = "*OPC";
        break;
    case Header::NextError:
        header = "SYSTEM:ERROR:NEXT";
        break;
    case Header::DacCode:
        header = dac + ":CODE";
        parameter = std::to_string(c.value);
        break;
    case Header::AllCode:
        header = "DAC:ALL:CODE";
        parameter = std::to_string(c.value);
        break;
    case Header::DacVoltage:
    case Header::AllVoltage: {
        header = c.header == Header::AllVoltage ? "DAC:ALL:VOLTAGE" : dac + ":VOLTAGE";
        char number[64];
        std::snprintf(number, sizeof number, "%.17g", c.volts);
        parameter = number;
        break;
    }
    case Header::LdacPulse:
        header = "LDAC:PULSE";
        break;
    case Header::Ldac:
    case Header::Clr:
        header = c.header == Header::Ldac ? "LDAC" : "CLR";
        parameter = c.value ? "HIGH" : "LOW";
        break;
    case Header::ClrPulse:
        header = "CLR:PULSE";
        break;
    case Header::Range:
        header = "RANGE";
        parameter = std::to_string(c.value);
        break;
    case Header::Power:
        header = dac + ":POWER";
        parameter = c.value ? "ON" : "OFF";
        break;
    case Header::PowerMode:
        header = "PDMODE";
        parameter = c.value ? "TRISTATE" : "GND";
        break;
    case Header::Word:
        header = "WORD";
        break;
    case Header::BoardStatus:
        header = "BOARD:STATUS";
        break;
    case Header::BoardReload:
        header = "BOARD:RELOAD";
        break;
    }
    if (c.query)
        return header + "?";
    return parameter.empty() ? header : header + " " + parameter;
}

void checkCommand(const Scpi::Parsed& p, std::string_view line) {
    switch (p.error) {
    case Scpi::Error::None:
        break;
    case Scpi::Error::Syntax:
    case Scpi::Error::UndefinedHeader:
    case Scpi::Error::SuffixOutOfRange:
    case Scpi::Error::DataOutOfRange:
    case Scpi::Error::IllegalParameter:
        return;
    default:
        fail("an error the parser never gives", line);
    }
    const Scpi::Command& c = p.command;
    if (takesChannel(c.header) ? (c.channel < 1 || c.channel > 4) : c.channel != 0)
        fail("channel out of range", line);
    if (!c.query) {
        const Header h = c.header;
        const bool code = h == Header::DacCode || h == Header::AllCode;
        const bool flag =
            h == Header::Ldac || h == Header::Clr || h == Header::Power || h == Header::PowerMode;
        if ((code && (c.value < 0 || c.value > 4095)) || (flag && c.value != 0 && c.value != 1) ||
            (h == Header::Range && c.value != 30 && c.value != 60))
            fail("parameter out of range", line);
        if (!std::isfinite(c.volts))
            fail("volts not finite", line);
        for (const int range : {30, 60}) {
            const int nearest = Scpi::CodeForVolts(c.volts, range);
            if (nearest < -1 || nearest > 4095)
                fail("code for volts out of range", line);
            if (nearest >= 0 &&
                std::fabs(nearest * range / 4096.0 - c.volts) > range / 8192.0 + 1e-9)
                fail("code for volts not the nearest", line);
        }
    }
    const std::string again = longForm(c);
    const Scpi::Parsed reread = Scpi::ParseCommand(again);
    if (!sameCommand(p, reread))
        fail(("long form read back differently: " + again).c_str(), line);
}

void checkLine(const std::string& line) {
    const std::vector<Scpi::Parsed> parsed = Scpi::ParseLine(line);
    if (parsed.size() != commandCount(line))
        fail("not one result per command", line);
    for (const Scpi::Parsed& p : parsed)
        checkCommand(p, line);
    if (!sameLine(parsed, Scpi::ParseLine(withCase(line, true))) ||
        !sameLine(parsed, Scpi::ParseLine(withCase(line, false))))
        fail("letter case changes the result", line);
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
