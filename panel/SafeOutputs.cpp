#include "SafeOutputs.h"

#include "Declare.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace SafeOutputs {

namespace {

bool armed = false;

// Runs inside exit(): the window may be half gone and the display lost, so
// nothing here may reach a widget. The echo and the status observer both
// lead to labels; they are cut before anything is sent.
void sendAtExit() {
    if (!armed)
        return;
    armed = false;
    Declare::SetSerialWordEchoSink(nullptr);
    USBStuff::SetCallObserver(nullptr);
    if (QV7310Variables::resetOnExit)
        Send();
    USBStuff::CloseLink();
}

} // namespace

bool Send() {
    QStringList failed;
    auto check = [&failed](const QString& what) {
        if (USBStuff::lastStatus < 0)
            failed << QStringLiteral("%1 returned %2").arg(what).arg(USBStuff::lastStatus);
    };
    Declare::WriteSerialWord(Declare::RegisterAddress::Control);
    check(QStringLiteral("request 221 (word 0x7000)"));
    Declare::WriteSerialWord(Declare::RegisterAddress::AllDacs);
    check(QStringLiteral("request 221 (word 0x5000)"));
    USBStuff::PlainRequest(USBStuff::BoardRequest::PulseLdac);
    check(QStringLiteral("request 222"));
    USBStuff::PlainRequest(USBStuff::BoardRequest::Range30V);
    check(QStringLiteral("request 228"));
    if (failed.isEmpty())
        return true;
    std::fprintf(stderr, "The outputs may not be in the safe state: %s\n",
                 qPrintable(failed.join(QStringLiteral(", "))));
    return false;
}

void Arm() {
    // Registered after the board library was loaded, so it runs before the
    // library's own clean-up at exit.
    static const bool registered = std::atexit(sendAtExit) == 0;
    armed = registered;
}

void Disarm() {
    armed = false;
}

} // namespace SafeOutputs
