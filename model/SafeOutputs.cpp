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

// The model to make safe at exit(), while armed: a handler registered with
// std::atexit takes no argument.
PanelModel* armed = nullptr;

// Runs inside exit(): the window may be half gone and the display lost, so
// nothing here may reach a widget. The model's and the board status's
// signals lead to labels; they are cut before anything is sent (the history
// still records the calls).
void sendAtExit() {
    PanelModel* model = armed;
    if (!model)
        return;
    armed = nullptr;
    model->blockSignals(true);
    model->board().blockSignals(true);
    if (model->resetOnExit())
        Send(*model);
    model->end();
}

} // namespace

bool Send(PanelModel& model) {
    namespace Request = USBStuff::BoardRequest;
    const RequestHistory::Action action(model.history(), QStringLiteral("Safe state"));
    QStringList failed;
    auto check = [&failed](std::int16_t status, std::int16_t request,
                           const QString& detail = QString()) {
        if (status < 0)
            failed
                << QStringLiteral("request %1%2 returned %3").arg(request).arg(detail).arg(status);
    };
    for (const Declare::SafeStep& step : Declare::SafeSequence) {
        if (step.request == Request::SerialWord)
            check(Declare::WriteSerialWord(model.link(), step.word), step.request,
                  QStringLiteral(" (word %1)").arg(Declare::SerialWordEcho(step.word).toLower()));
        else
            check(USBStuff::PlainRequest(model.link(), step.request), step.request);
    }
    if (failed.isEmpty())
        return true;
    std::fprintf(stderr, "The outputs may not be in the safe state: %s\n",
                 qPrintable(failed.join(QStringLiteral(", "))));
    return false;
}

void Arm(PanelModel& model) {
    // Registered after the board library was loaded, so it runs before the
    // library's own clean-up at exit.
    static const bool registered = std::atexit(sendAtExit) == 0;
    armed = registered ? &model : nullptr;
}

void Disarm() {
    armed = nullptr;
}

} // namespace SafeOutputs
