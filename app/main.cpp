#include "CommandLine.h"
#include "ExitPaths.h"
#include "PanelApplication.h"
#include "PanelLock.h"
#include "QV7310.h"
#include "QV7310Variables.h"
#include "RemoteServer.h"

#include <QApplication>
#include <cstdio>
#ifdef QV_HAVE_AVAHI
#include "Announcer.h"
#endif

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const CommandLine options = ParseCommandLine(QApplication::arguments());
    if (options.exitCode >= 0)
        return options.exitCode;
    PanelApplication::Init();
    ExitPaths exitPaths;
    PanelLock lock;
    if (!lock.acquire())
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
#ifdef QV_HAVE_AVAHI
    std::unique_ptr<Announcer> announcer;
    if (remote && options.announce)
        announcer = std::make_unique<Announcer>(options.address, remote->port(),
                                                QV7310Variables::partIsQuad ? "QV7310" : "QV7301");
#else
    if (remote && options.announce)
        std::fputs("qv7310: not announced on the network: built without libavahi-client\n", stderr);
#endif
    window.show();
    return QApplication::exec();
}
