#include "ScpiErrors.h"

namespace Scpi {

namespace {

struct Entry {
    int number;
    const char* text;
};

constexpr Entry Errors[] = {
    {Error::None, "No error"},
    {Error::Syntax, "Syntax error"},
    {Error::DataType, "Data type error"},
    {Error::ParameterNotAllowed, "Parameter not allowed"},
    {Error::MissingParameter, "Missing parameter"},
    {Error::UndefinedHeader, "Undefined header"},
    {Error::SuffixOutOfRange, "Header suffix out of range"},
    {Error::NumericData, "Numeric data error"},
    {Error::InvalidCharacterInNumber, "Invalid character in number"},
    {Error::ExponentTooLarge, "Exponent too large"},
    {Error::NumericDataNotAllowed, "Numeric data not allowed"},
    {Error::InvalidSuffix, "Invalid suffix"},
    {Error::SuffixNotAllowed, "Suffix not allowed"},
    {Error::CharacterDataNotAllowed, "Character data not allowed"},
    {Error::InvalidString, "Invalid string data"},
    {Error::Execution, "Execution error"},
    {Error::SettingsConflict, "Settings conflict"},
    {Error::DataOutOfRange, "Data out of range"},
    {Error::TooMuchData, "Too much data"},
    {Error::IllegalParameter, "Illegal parameter value"},
    {Error::Hardware, "Hardware error"},
    {Error::QueueOverflow, "Queue overflow"},
};

} // namespace

const char* ErrorText(int error) {
    for (const Entry& entry : Errors)
        if (entry.number == error)
            return entry.text;
    return "Unknown error";
}

} // namespace Scpi
