// The empty floor for the start-up figures: the least a Qt Widgets program
// does to show a window of the panel's size, one widget that draws no text;
// ends after the first paint.
#include "FirstPaint.h"
#include "Phases.h"

#include <QApplication>
#include <QWidget>

namespace {
// The panel's main window with its menu bar, as qv7310-startup-bench reports it.
constexpr int PanelWidth = 687;
constexpr int PanelHeight = 494;
} // namespace

int main(int argc, char* argv[]) {
    Phases phases;
    phases.mark("main");
    QApplication app(argc, argv);
    phases.mark("app");
    QWidget window;
    window.setWindowTitle(QStringLiteral("floor"));
    window.setFixedSize(PanelWidth, PanelHeight);
    phases.mark("window");
    QuitOnFirstPaint quit(&window, phases, QuitOnFirstPaint::exitAtPaint(argc, argv));
    window.show();
    const int status = QApplication::exec();
    return quit.painted() ? status : 1;
}
