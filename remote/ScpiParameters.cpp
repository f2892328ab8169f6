#include "ScpiParameters.h"

#include "ScpiErrors.h"
#include "ScpiText.h"
#include "model/Converter.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace Scpi {

using namespace Text;

namespace {

// IEEE 488.2 keeps an exponent's magnitude at most 32000.
constexpr long MaxExponent = 32000;
// Plain digits are read up to here; anything larger is out of every range.
constexpr long DigitsLimit = 1000000000;

bool numeric(Param param) {
    return param == Param::Code || param == Param::Volts || param == Param::Range;
}

bool integral(Param param) {
    return param == Param::Code || param == Param::Byte || param == Param::Word;
}

bool inVolts(Param param) {
    return param == Param::Volts || param == Param::Limit || param == Param::Range;
}

bool startsNumber(char c) {
    return isDigit(c) || c == '+' || c == '-' || c == '.' || c == '#';
}

// MIN, MAX or DEF; a range takes its volts from them at once.
bool special(std::string_view text, Param param, Command& command) {
    if (matches(text, "MINimum"))
        command.special = Special::Minimum;
    else if (matches(text, "MAXimum"))
        command.special = Special::Maximum;
    else if (matches(text, "DEFault"))
        command.special = Special::Default;
    else
        return false;
    if (param == Param::Range)
        command.value = command.special == Special::Maximum ? Converter::HighRangeVolts
                                                            : Converter::LowRangeVolts;
    return true;
}

// The largest value of an integer parameter.
long largest(Param param) {
    return param == Param::Byte ? 255 : param == Param::Word ? 65535 : Converter::MaxCode;
}

// A decimal number as IEEE 488.2 spells it: a sign, digits with a point, an
// exponent, then a suffix glued to it or after white space.
struct Decimal {
    std::string_view mantissa; // with its sign
    long exponent = 0;
    int integerDigits = 0; // before the point, leading zeros left out
    std::string_view suffix;
    bool glued = false;
};

int scanExponent(std::string_view text, std::size_t& i, Decimal& d) {
    std::size_t j = i + 1;
    const bool negative = text[j] == '-';
    if (text[j] == '+' || text[j] == '-')
        ++j;
    const std::size_t start = j;
    while (j < text.size() && isDigit(text[j]))
        ++j;
    if (j == start)
        return Error::NumericData;
    const long magnitude = digitsValue(text.substr(start, j - start), 10, MaxExponent);
    if (magnitude > MaxExponent)
        return Error::ExponentTooLarge;
    d.exponent = negative ? -magnitude : magnitude;
    i = j;
    return Error::None;
}

int scanDecimal(std::string_view text, Decimal& d) {
    std::size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits)
        if (d.integerDigits > 0 || text[i] != '0')
            ++d.integerDigits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return Error::NumericData;
    d.mantissa = text.substr(0, i);
    // An E starts the exponent only where a sign or digit follows: "1EV" is
    // 1 with the suffix "EV".
    if (i + 1 < text.size() && upper(text[i]) == 'E' &&
        (isDigit(text[i + 1]) || text[i + 1] == '+' || text[i + 1] == '-')) {
        const int error = scanExponent(text, i, d);
        if (error != Error::None)
            return error;
    }
    d.glued = i < text.size() && !isSpace(text[i]);
    d.suffix = trim(text.substr(i));
    for (const char c : d.suffix)
        if (!isLetter(c))
            return Error::InvalidCharacterInNumber;
    return Error::None;
}

// The power of ten of the decimal's unit: volts with the multipliers SCPI
// defines that make sense here. Letters glued to the digits that spell no
// unit are a fault in the number ("3O"); a word after a space is a suffix.
int unitShift(const Decimal& d, Param param, int& shift) {
    shift = 0;
    if (d.suffix.empty())
        return Error::None;
    static constexpr struct {
        const char* name;
        int shift;
    } Units[] = {{"V", 0}, {"MV", -3}, {"UV", -6}, {"KV", 3}};
    bool known = false;
    for (const auto& unit : Units)
        if (matches(d.suffix, unit.name)) {
            known = true;
            shift = unit.shift;
        }
    if (!known && d.glued)
        return Error::InvalidCharacterInNumber;
    if (!inVolts(param))
        return Error::SuffixNotAllowed;
    return known ? Error::None : Error::InvalidSuffix;
}

// The decimal's value in volts (or plain): the unit moves the exponent, so
// that 0.06 KV is exactly 60.
int valueOf(const Decimal& d, int shift, double& value) {
    const long exponent = d.exponent + shift;
    std::string text(d.mantissa.substr(d.mantissa[0] == '+' ? 1 : 0));
    text += 'e' + std::to_string(exponent);
    // from_chars ignores the locale, which the application has set from the
    // user's environment; it takes no '+'.
    const std::from_chars_result result =
        std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large for a double is out of range here too; too small is 0.
        if (d.integerDigits + exponent > 0)
            return Error::DataOutOfRange;
        value = 0;
        return Error::None;
    }
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return Error::NumericData;
    return std::isfinite(value) ? Error::None : Error::DataOutOfRange;
}

// A number read into the command as its parameter takes it.
int store(Param param, double value, Command& command) {
    switch (param) {
    case Param::Volts:
    case Param::Limit:
        command.volts = value;
        return Error::None;
    case Param::Range:
        if (value == Converter::LowRangeVolts || value == Converter::HighRangeVolts) {
            command.value = static_cast<int>(value);
            return Error::None;
        }
        return value > Converter::LowRangeVolts && value < Converter::HighRangeVolts
                   ? Error::IllegalParameter
                   : Error::DataOutOfRange;
    case Param::Boolean:
        command.value = std::round(value) != 0 ? 1 : 0;
        return Error::None;
    default: {
        // A setting that takes integers rounds a number with a fraction, as
        // IEEE 488.2 asks; what then lies outside the setting is out of range.
        const double rounded = std::round(value);
        if (!(rounded >= 0 && rounded <= static_cast<double>(largest(param))))
            return Error::DataOutOfRange;
        command.value = static_cast<int>(rounded);
        return Error::None;
    }
    }
}

int parseDecimal(std::string_view text, Param param, Command& command) {
    // Plain digits, the usual code, need no floating point.
    if (text.find_first_not_of("0123456789") == std::string_view::npos)
        return store(param, static_cast<double>(digitsValue(text, 10, DigitsLimit)), command);
    Decimal decimal;
    int shift = 0;
    double value = 0;
    int error = scanDecimal(text, decimal);
    if (error == Error::None)
        error = unitShift(decimal, param, shift);
    if (error == Error::None)
        error = valueOf(decimal, shift, value);
    return error == Error::None ? store(param, value, command) : error;
}

// #H, #B or #Q digits: codes and register values only.
int parseNondecimal(std::string_view text, Param param, Command& command) {
    const char base = text.size() > 1 ? upper(text[1]) : 0;
    const int radix = base == 'H' ? 16 : base == 'B' ? 2 : base == 'Q' ? 8 : 0;
    if (radix == 0 || text.size() < 3)
        return Error::NumericData;
    const std::string_view digits = text.substr(2);
    for (const char c : digits)
        if (digitsValue(std::string_view(&c, 1), radix, radix) < 0)
            return Error::InvalidCharacterInNumber;
    if (!integral(param))
        return Error::NumericDataNotAllowed;
    const long value = digitsValue(digits, radix, largest(param));
    if (value > largest(param))
        return Error::DataOutOfRange;
    command.value = static_cast<int>(value);
    return Error::None;
}

// A word: a choice, ON or OFF, MIN, MAX or DEF.
int parseWord(const Row& row, std::string_view text, Command& command) {
    switch (row.param) {
    case Param::Choice:
        for (const Choice* choice = row.choices; choice->keyword; ++choice)
            if (matches(text, choice->keyword)) {
                command.value = choice->value;
                return Error::None;
            }
        return Error::IllegalParameter;
    case Param::Boolean:
        if (!matches(text, "ON") && !matches(text, "OFF"))
            return Error::IllegalParameter;
        command.value = matches(text, "ON") ? 1 : 0;
        return Error::None;
    case Param::Limit:
        // A limit's OFF is value 1.
        if (!matches(text, "OFF"))
            return Error::IllegalParameter;
        command.value = 1;
        return Error::None;
    default:
        return numeric(row.param) && special(text, row.param, command)
                   ? Error::None
                   : Error::CharacterDataNotAllowed;
    }
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
        if (c < 0x20 || c > 0x7E || (c == quote && (i + 2 >= text.size() || text[++i] != quote)))
            return Error::InvalidString; // a quote inside must be doubled
        value += c;
    }
    if (value.size() > MaxStringLength)
        return Error::TooMuchData;
    command.text = std::move(value);
    return Error::None;
}

} // namespace

int ParseParameter(const Row& row, std::string_view text, Command& command) {
    if (text.empty())
        return command.query || row.param == Param::None ? Error::None : Error::MissingParameter;
    if (row.param == Param::String && !command.query)
        return parseString(text, command);
    if (row.param == Param::None || text.find(',') != std::string_view::npos)
        return Error::ParameterNotAllowed;
    if (command.query)
        return numeric(row.param) && special(text, row.param, command) ? Error::None
                                                                       : Error::ParameterNotAllowed;
    if (isLetter(text[0]))
        return parseWord(row, text, command);
    if (!startsNumber(text[0]))
        return Error::DataType;
    if (row.param == Param::Choice)
        return Error::NumericDataNotAllowed;
    if (text[0] == '#')
        return parseNondecimal(text, row.param, command);
    const int error = parseDecimal(text, row.param, command);
    if (error != Error::None || row.param != Param::Limit)
        return error;
    return command.volts >= 0 && command.volts <= Converter::HighRangeVolts ? Error::None
                                                                            : Error::DataOutOfRange;
}

} // namespace Scpi
