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

void WriteSerialWord(std::int32_t word) {
    char buffer = 0;
    USBStuff::VendorIORequest(USBStuff::BoardRequest::SerialWord, WordValue(word), WordIndex(word),
                              0, 0, &buffer);
    USBStuff::Link().tellSerialWord(word);
}

} // namespace Declare
