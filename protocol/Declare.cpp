#include "Declare.h"

#include "board/USBStuff.h"

namespace Declare {

QString SerialWordEcho(std::int32_t word) {
    // A negative word shows its 32-bit two's complement, eight digits.
    QString digits = QString::number(static_cast<std::uint32_t>(word), 16).toUpper();
    if (digits.size() < 4)
        digits = QString(4 - digits.size(), QLatin1Char('0')) + digits;
    return QStringLiteral("0x") + digits;
}

std::int16_t WriteSerialWord(BoardLink& link, std::int32_t word) {
    char buffer = 0;
    const std::int16_t status = USBStuff::VendorIORequest(
        link, USBStuff::BoardRequest::SerialWord, WordValue(word), WordIndex(word), 0, 0, &buffer);
    link.tellSerialWord(word);
    return status;
}

} // namespace Declare
