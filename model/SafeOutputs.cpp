#include "SafeOutputs.h"

#include "BoardStatus.h"
#include "PanelModel.h"
#include "board/USBStuff.h"
#include "protocol/Declare.h"

#include <QString>
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
    const RequestHistory::Action action(model.history(), Actions::Id::SafeState);
    BoardLink& link = model.link();
    const auto failed = Declare::SendSafeSequence([&link](const Declare::SafeStep& step) {
        return step.request == USBStuff::BoardRequest::SerialWord
                   ? Declare::WriteSerialWord(link, step.word)
                   : USBStuff::PlainRequest(link, step.request);
    });
    if (failed.empty())
        return true;
    std::fprintf(stderr, "The outputs may not be in the safe state: %s\n",
                 Declare::FailureList(failed).c_str());
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
