// For callgrind: starts the panel, then makes N calls of one command with
// instrumentation on only around them (run with --instr-atstart=no).
//   qv7310-write-once [write|write-history-off|ldac|control|bare] [N]
#include "BenchPanel.h"
#include "board/USBStuff.h"
#include "model/PanelModel.h"
#include "panel/FindControl.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <valgrind/callgrind.h>

namespace {
template <typename Op> void measure(Op op, int n) {
    // First calls resolve symbols and fill caches; they are not counted.
    for (int i = 0; i < 100; ++i)
        op();
    CALLGRIND_START_INSTRUMENTATION;
    for (int i = 0; i < n; ++i)
        op();
    CALLGRIND_STOP_INSTRUMENTATION;
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const char* command = argc > 1 ? argv[1] : "write";
    const int n = argc > 2 ? std::atoi(argv[2]) : 1000;
    auto window = Bench::startPanel();
    Bench::freshBoard(*window);
    QV7310& w = *window;
    if (std::strcmp(command, "write") == 0) {
        measure([&w] { QV7310TestSeam::cmdWrite_Click(w, 1); }, n);
    } else if (std::strcmp(command, "write-history-off") == 0) {
        // The same write without its record in the request history.
        Bench::model().history().setRecording(false);
        measure([&w] { QV7310TestSeam::cmdWrite_Click(w, 1); }, n);
    } else if (std::strcmp(command, "ldac") == 0) {
        measure([&w] { QV7310TestSeam::cmdLDAC_Click(w, 0); }, n);
    } else if (std::strcmp(command, "control") == 0) {
        auto* down = FindControl<QAbstractButton>(w, QStringLiteral("optPD1(2)"));
        auto* upButton = FindControl<QAbstractButton>(w, QStringLiteral("optPD1(3)"));
        bool up = false;
        measure(
            [&w, &up, down, upButton] {
                up = !up;
                (up ? upButton : down)->setChecked(true);
                QV7310TestSeam::optPD1_Click(w, 3);
            },
            n);
    } else if (std::strcmp(command, "bare") == 0) {
        measure(
            [] {
                char buffer = 0;
                Bench::board().vendorIORequest(USBStuff::BoardRequest::SerialWord, Bench::WriteWord,
                                               0, 0, 0, &buffer);
            },
            n);
    } else {
        std::fprintf(stderr, "unknown command %s\n", command);
        return 2;
    }
    std::printf("%s x %d, last status %d\n", command, n, Bench::link().lastStatus());
    QV7310TestSeam::mnuDontRESET_Click(w);
    return Bench::link().lastStatus() == 0 ? 0 : 1;
}
