#include "SafeOutputs.h"

#include "BoardStatus.h"
#include "PanelModel.h"
#include "board/USBStuff.h"
#include "protocol/Declare.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace SafeOutputs {

namespace {

bool armed = false;

// Runs inside exit(): the window may be half gone and the display lost, so
// nothing here may reach a widget. The model's and the board status's
// signals lead to labels; they are cut before anything is sent (the history
// still records the calls).
void sendAtExit() {
    if (!armed)
        return;
    armed = false;
    PanelModel& model = PanelModel::instance();
    model.blockSignals(true);
    model.board().blockSignals(true);
    if (model.resetOnExit())
        Send();
    USBStuff::CloseLink();
}

} // namespace

bool Send() {
    namespace Request = USBStuff::BoardRequest;
    const RequestHistory::Action action(PanelModel::instance().history(),
                                        QStringLiteral("Safe state"));
    QStringList failed;
    auto check = [&failed](std::int16_t request, const QString& detail = QString()) {
        if (USBStuff::lastStatus < 0)
            failed << QStringLiteral("request %1%2 returned %3")
                          .arg(request)
                          .arg(detail)
                          .arg(USBStuff::lastStatus);
    };
    auto word = [&check](std::int32_t value) {
        Declare::WriteSerialWord(value);
        check(Request::SerialWord,
              QStringLiteral(" (word %1)").arg(Declare::SerialWordEcho(value).toLower()));
    };
    for (const Declare::SafeStep& step : Declare::SafeSequence) {
        if (step.request == Request::SerialWord) {
            word(step.word);
        } else {
            USBStuff::PlainRequest(step.request);
            check(step.request);
        }
    }
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
