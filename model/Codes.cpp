#include "Codes.h"

#include <cmath>
#include <cstdlib>

namespace Codes {

Entry ReadHexEntry(const QString& text) {
    if (text.isEmpty())
        return {EntryResult::NotANumber, 0};
    std::uint64_t value = 0;
    for (const QChar ch : text) {
        int digit;
        const char16_t c = ch.unicode();
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return {EntryResult::NotANumber, 0};
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu)
            return {EntryResult::NotANumber, 0};
    }
    if (value > static_cast<std::uint64_t>(MaxCode))
        return {EntryResult::TooLarge, 0};
    return {EntryResult::Valid, static_cast<std::int32_t>(value)};
}

std::int32_t CodeForVolts(double volts, int rangeVolts) {
    if (rangeVolts <= 0)
        return -1;
    const double exact = Converter::ExactCodeForVolts(volts, rangeVolts);
    // Written so that NaN fails too.
    if (!(exact > -0.5 && exact < MaxCode + 0.5))
        return -1;
    return static_cast<std::int32_t>(std::lround(exact));
}

QString FormatVolts(double volts) {
    // The panel's voltages are multiples of 1/4096 V times 30 or 60 (VoltsForCode), so
    // volts * 10000 is exact in a double and std::llround sees true ties.
    const long long tenThousandths = std::llround(volts * 10000.0);
    const long long magnitude = std::llabs(tenThousandths);
    const QString sign = tenThousandths < 0 ? QStringLiteral("-") : QString();
    return sign + QString::number(magnitude / 10000) + QLatin1Char('.') +
           QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0')) + QLatin1Char('V');
}

} // namespace Codes
