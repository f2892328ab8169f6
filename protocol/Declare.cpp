#include "Declare.h"

#include "USBStuff.h"

#include <utility>

namespace Declare {

namespace {
EchoSink& echoSink() {
    static EchoSink sink;
    return sink;
}
} // namespace

QString SerialWordEcho(std::int32_t word) {
    // A negative word shows its 32-bit two's complement, eight digits.
    QString digits = QString::number(static_cast<std::uint32_t>(word), 16).toUpper();
    if (digits.size() < 4)
        digits = QString(4 - digits.size(), QLatin1Char('0')) + digits;
    return QStringLiteral("0x") + digits;
}

void SetSerialWordEchoSink(EchoSink sink) {
    echoSink() = std::move(sink);
}

void WriteSerialWord(std::int32_t word) {
    const std::int32_t value = word & 0xFFFF;
    const std::int32_t index = (word & 0xFF0000) / 65536;
    char buffer = 0;
    USBStuff::VendorIORequest(USBStuff::BoardRequest::SerialWord, value, index, 0, 0, &buffer);
    if (echoSink())
        echoSink()(SerialWordEcho(word));
}

} // namespace Declare
