#include "CommandLine.h"
#include "ExitPaths.h"
#include "PanelApplication.h"
#include "PanelLock.h"
#include "QV7310.h"
#include "RemoteServer.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const CommandLine options = ParseCommandLine(QApplication::arguments());
    if (options.exitCode >= 0)
        return options.exitCode;
    PanelApplication::Init();
    ExitPaths exitPaths;
    PanelLock lock;
    if (!lock.acquire(PanelApplication::HasDisplay() && !options.remote))
        return 1;
    QV7310 window;
    exitPaths.setWindow(&window);
    {
        const StartupAnswers answers(options);
        window.Form_Load();
    }
    // Told to end while the part dialog or the missing-board box was open.
    if (exitPaths.exitRequested()) {
        window.close();
        return 0;
    }
    const std::unique_ptr<RemoteServer> remote = StartRemote(options, window);
    window.show();
    return QApplication::exec();
}
