#include "ScpiParameters.h"

#include "ScpiErrors.h"
#include "ScpiText.h"
#include "panel/Converter.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace Scpi {

using namespace Text;

namespace {

bool special(std::string_view text, Special& value) {
    if (matches(text, "MINimum"))
        value = Special::Minimum;
    else if (matches(text, "MAXimum"))
        value = Special::Maximum;
    else if (matches(text, "DEFault"))
        value = Special::Default;
    else
        return false;
    return true;
}

// The largest value of an integer parameter.
long largest(Param param) {
    return param == Param::Byte ? 255 : param == Param::Word ? 65535 : Converter::MaxCode;
}

// A decimal with a sign, a point, an exponent and, for volts, a suffix.
int parseDecimal(std::string_view text, Param param, Command& command) {
    const long limit = largest(param);
    std::size_t i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+')
        ++i;
    const std::size_t start = i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return Error::IllegalParameter;
    if (i + 1 < text.size() && upper(text[i]) == 'E' &&
        (isDigit(text[i + 1]) || text[i + 1] == '+' || text[i + 1] == '-')) {
        std::size_t j = i + 1;
        if (text[j] == '+' || text[j] == '-')
            ++j;
        const std::size_t exponent = j;
        while (j < text.size() && isDigit(text[j]))
            ++j;
        if (j == exponent)
            return Error::IllegalParameter;
        i = j;
    }
    const std::size_t end = i;
    const std::string_view suffix = trim(text.substr(end));
    for (const char c : suffix)
        if (!isLetter(c))
            return Error::IllegalParameter;
    double scale = 1;
    if (!suffix.empty()) {
        if (param != Param::Volts)
            return Error::SuffixNotAllowed;
        if (matches(suffix, "MV"))
            scale = 0.001;
        else if (!matches(suffix, "V"))
            return Error::InvalidSuffix;
    }
    // from_chars ignores the locale, which the application has set from the
    // user's environment; it takes no '+'.
    double value = 0;
    const std::from_chars_result result =
        std::from_chars(text.data() + start, text.data() + end, value);
    // A number beyond a double's range, either way, is out of range here too.
    if (result.ec != std::errc() || result.ptr != text.data() + end)
        return Error::DataOutOfRange;
    value = (negative ? -value : value) * scale;
    if (param == Param::Volts) {
        command.volts = value;
        return std::isfinite(value) ? Error::None : Error::DataOutOfRange;
    }
    if (value != std::floor(value))
        return Error::IllegalParameter;
    if (value < 0 || value > static_cast<double>(limit))
        return Error::DataOutOfRange;
    command.value = static_cast<int>(value);
    return Error::None;
}

// A number: #H, #B or #Q digits (not for volts), or a decimal with an
// optional exponent and, for volts only, a suffix V or MV.
int parseNumber(std::string_view text, Param param, Command& command) {
    const long limit = largest(param);
    if (text[0] == '#') {
        const char base = text.size() > 1 ? upper(text[1]) : 0;
        const int radix = base == 'H' ? 16 : base == 'B' ? 2 : base == 'Q' ? 8 : 0;
        const long value = radix ? digitsValue(text.substr(2), radix, limit) : -1;
        if (param == Param::Volts || text.size() < 3 || value < 0)
            return Error::IllegalParameter;
        if (value > limit)
            return Error::DataOutOfRange;
        command.value = static_cast<int>(value);
        return Error::None;
    }
    // Plain digits, the usual code, need no floating point.
    if (param != Param::Volts && text.find_first_not_of("0123456789") == std::string_view::npos) {
        const long value = digitsValue(text, 10, limit);
        if (value > limit)
            return Error::DataOutOfRange;
        command.value = static_cast<int>(value);
        return Error::None;
    }
    return parseDecimal(text, param, command);
}

// A string between quotes of either kind, where a doubled quote stands for
// one; printable ASCII only, since it is shown and written to files.
int parseString(std::string_view text, Command& command) {
    const char quote = text[0];
    if ((quote != '"' && quote != '\'') || text.size() < 2 || text.back() != quote)
        return Error::InvalidString;
    std::string value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c < 0x20 || c > 0x7E)
            return Error::InvalidString;
        if (c == quote) {
            // Only doubled inside.
            if (i + 2 >= text.size() || text[i + 1] != quote)
                return Error::InvalidString;
            ++i;
        }
        value += c;
    }
    if (value.size() > MaxStringLength)
        return Error::TooMuchData;
    command.text = std::move(value);
    return Error::None;
}

// OFF (value 1), or volts from 0 to the largest range.
int parseLimit(std::string_view text, Command& command) {
    if (isLetter(text[0])) {
        if (!matches(text, "OFF"))
            return Error::IllegalParameter;
        command.value = 1;
        return Error::None;
    }
    if (text[0] == '#')
        return Error::IllegalParameter;
    const int error = parseDecimal(text, Param::Volts, command);
    if (error != Error::None)
        return error;
    return command.volts >= 0 && command.volts <= Converter::HighRangeVolts ? Error::None
                                                                            : Error::DataOutOfRange;
}

} // namespace

int ParseParameter(const Row& row, std::string_view text, Command& command) {
    if (text.empty())
        return command.query || row.param == Param::None ? Error::None : Error::MissingParameter;
    if (row.param == Param::String && !command.query)
        return parseString(text, command);
    if (row.param == Param::None || text.find(',') != std::string_view::npos)
        return Error::ParameterNotAllowed;
    const bool numeric = row.param == Param::Code || row.param == Param::Volts;
    if (command.query)
        return numeric && special(text, command.special) ? Error::None : Error::ParameterNotAllowed;
    if (row.param == Param::Choice) {
        for (const Choice* choice = row.choices; choice->keyword; ++choice)
            if (matches(text, choice->keyword)) {
                command.value = choice->value;
                return Error::None;
            }
        return Error::IllegalParameter;
    }
    if (row.param == Param::Limit)
        return parseLimit(text, command);
    if (isLetter(text[0]))
        return numeric && special(text, command.special) ? Error::None
                                                         : Error::CharacterDataNotAllowed;
    return parseNumber(text, row.param, command);
}

} // namespace Scpi
