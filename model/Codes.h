// Reading a DAC code typed in hexadecimal, volts to a code, and showing a
// voltage.
#ifndef CODES_H
#define CODES_H

#include "Converter.h"

#include <QString>
#include <cstdint>

namespace Codes {

constexpr std::int32_t MaxCode = Converter::MaxCode;

enum class EntryResult { Valid, NotANumber, TooLarge };

struct Entry {
    EntryResult result;
    std::int32_t value; // the code when Valid, else 0
};

// Hexadecimal digits only (either case, leading zeros allowed, no spaces or
// prefix). A number of more than 32 bits cannot be read; any value above
// MaxCode is too large, including those a 32-bit conversion would make negative.
Entry ReadHexEntry(const QString& text);

// The code nearest to `volts` in a range of `rangeVolts` (30 or 60), or -1
// when that code lies outside 0 to MaxCode.
std::int32_t CodeForVolts(double volts, int rangeVolts);

// "#0.0000" followed by "V": at least one digit before a point, exactly four
// after, ties rounded away from zero.
QString FormatVolts(double volts);

} // namespace Codes

#endif
