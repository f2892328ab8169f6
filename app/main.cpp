#include "StartOptions.h"
#include "board/BoardLink.h"
#include "board/LibraryImage.h"
#include "measure/LinearityRun.h"
#include "measure/LinearityWindow.h"
#include "model/Converter.h"
#include "model/PanelModel.h"
#include "model/Session.h"
#include "panel/ExitPaths.h"
#include "panel/PanelApplication.h"
#include "panel/PanelLock.h"
#include "panel/QV7310.h"
#include "panel/RepaintPacer.h"
#include "platform/Console.h"
#include "remote/RemoteServer.h"

#include <QApplication>
#include <cstdio>
#ifdef QV_HAVE_AVAHI
#include "Announcer.h"
#endif

namespace {
// The exit status when the exit's safe state failed: the outputs may still
// be at high voltage, which no script may take for success.
constexpr int UnsafeOutputsStatus = 3;

// --board-bridge, or on Windows the way the BoardPort.dll beside the panel
// needs: the maker's 32-bit DLL through the bridge beside the panel.
void ChooseBoardPath(const CommandLine& options, BoardLink& link) {
    if (!options.bridgeCommand.isEmpty())
        link.useBridge(options.bridgeCommand);
#ifdef Q_OS_WIN
    if (!options.bridgeCommand.isEmpty()) {
        link.describePath(QStringLiteral("BoardPort through --board-bridge"));
        return;
    }
    const LibraryImage::BoardPath path =
        LibraryImage::ChooseBoardPath(QCoreApplication::applicationDirPath(), QT_POINTER_SIZE * 8);
    if (!path.bridgeCommand.isEmpty())
        link.useBridge(path.bridgeCommand);
    link.describePath(path.description);
#endif
}

// The board link's path and deadline as the options ask.
void SetUpBoardLink(const CommandLine& options, BoardLink& link) {
    link.setRequestDeadline(options.boardTimeout);
    ChooseBoardPath(options, link);
    if (options.boardTimeoutSet && !link.isBridged())
        std::fputs("qv7310: --board-timeout: no effect without the board bridge (a call into the "
                   "library in this process cannot be stopped)\n",
                   stderr);
}

// The remote-control server, when the options ask for one, with what it
// drives beside the model; false when it cannot listen.
bool StartRemoteControl(const CommandLine& options, Session& session, QV7310& window,
                        LinearityRun& linearity, std::unique_ptr<RemoteServer>& remote) {
    if (!options.remote)
        return true;
    remote = StartRemote(options, session);
    if (!remote)
        return false;
    // Remote clients change the window far faster than a display shows.
    new RepaintPacer(&window);
    remote->setLinearity(&linearity);
    return true;
}

// The exit status when records of board requests are missing from the
// journal: the notebook a script relies on is incomplete.
constexpr int JournalIncompleteStatus = 4;

int exitStatus(const Session& session, const PanelModel& model, int status) {
    if (session.safeStateFailed())
        return UnsafeOutputsStatus;
    return model.history().journalIncomplete() ? JournalIncompleteStatus : status;
}
} // namespace

int main(int argc, char* argv[]) {
    // Before the first line written: a window program on Windows reaches the
    // console it was started from only once it joins it.
    Platform::UseParentConsole();
    // Help, version and option errors need no display.
    const CommandLine options = ParseCommandLine(ArgumentsOf(argc, argv));
    if (options.exitCode >= 0)
        return options.exitCode;
    QApplication app(argc, argv);
    PanelApplication::Init();
    // The program's objects, each handed to those that use it.
    BoardLink link;
    PanelModel model(link);
    Session session(model);
    ExitPaths exitPaths;
    exitPaths.setExitStatus([&] { return exitStatus(session, model, 0); });
    PanelLock lock;
    if (!lock.acquire(PanelApplication::HasDisplay() && !options.remote))
        return 1;
    // Before any board call, so the journal holds the start-up's requests.
    if (!OpenJournal(options, model))
        return 1;
    SetUpBoardLink(options, link);
    QV7310 window(session);
    exitPaths.setWindow(&window);
    LinearityRun linearity(model, session);
    AttachLinearity(window, linearity);
    // A panel asked for remote control that cannot serve it ends before any
    // board call: on a headless bench a panel without its server is easy to miss.
    std::unique_ptr<RemoteServer> remote;
    if (!StartRemoteControl(options, session, window, linearity, remote))
        return 1;
    if (options.quadPart)
        window.presetPart(*options.quadPart);
    {
        const StartupAnswers answers(options);
        window.Form_Load();
    }
    // Told to end while the part dialog or the missing-board box was open.
    if (exitPaths.exitRequested()) {
        window.close();
        return exitStatus(session, model, 0);
    }
    ApplyLimits(options, model);
    if (remote)
        remote->hold(false);
#ifdef QV_HAVE_AVAHI
    std::unique_ptr<Announcer> announcer;
    if (remote && options.announce)
        announcer = std::make_unique<Announcer>(options.address, remote->port(),
                                                model.partIsQuad() ? Converter::QuadPart
                                                                   : Converter::SinglePart);
#else
    if (remote && options.announce)
        std::fputs("qv7310: not announced on the network: built without libavahi-client\n", stderr);
#endif
    window.show();
    const int status = QApplication::exec();
    return exitStatus(session, model, status);
}
