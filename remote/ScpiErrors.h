// The error numbers remote clients see, and their texts from one table
// (ScpiErrors.cpp). Plain C++ without Qt.
#ifndef SCPIERRORS_H
#define SCPIERRORS_H

namespace Scpi {

namespace Error {
constexpr int None = 0;
constexpr int Syntax = -102;
constexpr int DataType = -104;
constexpr int ParameterNotAllowed = -108;
constexpr int MissingParameter = -109;
constexpr int UndefinedHeader = -113;
constexpr int SuffixOutOfRange = -114;
// Numeric data errors: a number that is malformed, or where none belongs.
constexpr int NumericData = -120;
constexpr int InvalidCharacterInNumber = -121;
constexpr int ExponentTooLarge = -123;
constexpr int NumericDataNotAllowed = -128;
constexpr int InvalidSuffix = -131;
constexpr int SuffixNotAllowed = -138;
constexpr int CharacterDataNotAllowed = -148;
constexpr int InvalidString = -151;
constexpr int Execution = -200;
constexpr int SettingsConflict = -221;
constexpr int DataOutOfRange = -222;
constexpr int TooMuchData = -223;
constexpr int IllegalParameter = -224;
constexpr int Hardware = -240;
constexpr int QueueOverflow = -350;
} // namespace Error

// "Syntax error", "No error", ...; "Unknown error" for a number not in the table.
const char* ErrorText(int error);

} // namespace Scpi

#endif
