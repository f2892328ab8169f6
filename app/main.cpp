#include "ExitPaths.h"
#include "PanelApplication.h"
#include "QV7310.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PanelApplication::Init();
    ExitPaths exitPaths;
    QV7310 window;
    exitPaths.setWindow(&window);
    window.Form_Load();
    // Told to end while the part dialog or the missing-board box was open.
    if (exitPaths.exitRequested()) {
        window.close();
        return 0;
    }
    window.show();
    return QApplication::exec();
}
