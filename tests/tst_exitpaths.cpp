// Every way out leaves the board in the safe state exactly once: closing,
// "Exit", SIGTERM, SIGINT, SIGHUP, SIGQUIT, a signal while a box is open, the desktop
// session ending, the application quitting, in any order, and exit() from
// inside the toolkit. Nothing reaches the board after that, no box holds the
// exit up, and a second panel leaves the board alone.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/PanelModel.h"
#include "panel/DialogSeam.h"
#include "panel/ExitPaths.h"
#include "panel/OptionButton.h"
#include "panel/PanelLock.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"
#include "panel/TabbedSheet.h"
#include "panel/frmPartSelect.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMetaMethod>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

using Harness::control;
using Harness::DialogAnswerer;
using Harness::SimBoard;

namespace {
const QStringList SafeState = {"221:0x7000", "221:0x5000", "222", "228"};

// The same four requests as the board's trace writes them, with a status.
QStringList safeStateTrace(int status) {
    QStringList lines;
    for (const char* call : {"221 28672", "221 20480", "222 0", "228 0"})
        lines << QString("VendorIORequest %1 0 0 0 0 = %2").arg(call).arg(status);
    return lines;
}

// Closes any modal dialog still open after a while, so a box that should not
// have appeared fails the test instead of hanging it.
class StrayBoxGuard {
public:
    StrayBoxGuard() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                stray = modal->metaObject()->className();
                modal->close();
            }
        });
        timer_.start(3000);
    }
    QString stray;

private:
    QTimer timer_;
};

// A started panel whose boxes are the real, unanswered ones, with `paths`
// closing it on a signal without ending the test.
std::unique_ptr<QV7310> startWithRealBoxes(ExitPaths& paths) {
    auto window = Harness::startPanel(true);
    DialogSeam::setHandler(nullptr);
    paths.setQuitAction([] {});
    paths.setWindow(window.get());
    return window;
}

// A started panel, exit sequence on, watched by exit paths whose quit action
// only counts.
struct WatchedPanel {
    WatchedPanel() {
        paths.setQuitAction([this] { ++quits; });
        paths.setWindow(window.get());
    }
    std::unique_ptr<QV7310> window = Harness::startPanel(true);
    ExitPaths paths;
    int quits = 0;
};
} // namespace

class TestExitPaths : public QObject {
    Q_OBJECT

private slots:
    void signalClosesWindow_data();
    void signalClosesWindow();
    void manyWaysOutRunSequenceOnce();
    void signalWhileBoxIsOpen();
    void quittingApplicationUnloads();
    void ignoredSignalStaysIgnored();
    void signalDuringPartDialog();
    void reloadBoxThenExit();
    void sessionEndSendsSafeStateOnce();
    void exitInsideEventLoop_data();
    void exitInsideEventLoop();
    void exitInsideEventLoopChild();
    void secondPanelSendsNothing_data();
    void secondPanelSendsNothing();
    void failedSafeStateExitStatus_data();
    void failedSafeStateExitStatus();
    void panelDiesOverBridge_data();
    void panelDiesOverBridge();
    void panelDiesOverBridgeChild();
};

void TestExitPaths::signalClosesWindow_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("reset");
    QTest::newRow("SIGTERM") << int(SIGTERM) << true;
    QTest::newRow("SIGINT") << int(SIGINT) << true;
    QTest::newRow("SIGHUP") << int(SIGHUP) << true;
    QTest::newRow("SIGQUIT") << int(SIGQUIT) << true;
    QTest::newRow("SIGTERM, exit without reset") << int(SIGTERM) << false;
}

void TestExitPaths::signalClosesWindow() {
    QFETCH(int, signalNumber);
    QFETCH(bool, reset);
    DialogAnswerer answers(1);
    WatchedPanel panel;
    auto& [window, paths, quits] = panel;
    int received = 0;
    connect(&paths, &ExitPaths::signalReceived, this, [&](int n) { received = n; });
    if (!reset)
        control<QAction>(*window, "mnuDontRESET")->trigger();
    const int mark = SimBoard::get().callCount();
    ::raise(signalNumber);
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(received, signalNumber);
    QCOMPARE(quits, 1);
    QVERIFY(paths.exitRequested());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)),
             reset ? SafeState : QStringList());
}

void TestExitPaths::manyWaysOutRunSequenceOnce() {
    DialogAnswerer answers(1);
    WatchedPanel panel;
    auto& [window, paths, quits] = panel;
    const int mark = SimBoard::get().callCount();
    ::raise(SIGINT);
    ::raise(SIGHUP);
    ::raise(SIGTERM);
    QTRY_COMPARE(quits, 3);
    control<QAction>(*window, "mnuExit")->trigger();
    window->close();
    emit QCoreApplication::instance()->aboutToQuit({});
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), SafeState);
}

void TestExitPaths::signalWhileBoxIsOpen() {
    DialogAnswerer answers(1);
    ExitPaths paths;
    // The real Version box, not answered by anyone: the signal closes it.
    auto window = startWithRealBoxes(paths);
    bool boxWasOpen = false;
    QTimer::singleShot(50, [&] {
        boxWasOpen = QApplication::activeModalWidget() != nullptr;
        ::raise(SIGTERM);
    });
    const int mark = SimBoard::get().callCount();
    control<QAction>(*window, "mnuAbout")->trigger(); // returns once the box is gone
    QVERIFY(boxWasOpen);
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), SafeState);
}

void TestExitPaths::quittingApplicationUnloads() {
    DialogAnswerer answers(0);
    auto window = Harness::startPanel(true);
    ExitPaths paths;
    paths.setWindow(window.get());
    const int mark = SimBoard::get().callCount();
    emit QCoreApplication::instance()->aboutToQuit({});
    QVERIFY(!window->isVisible());
    QVERIFY(paths.exitRequested());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), SafeState);
}

// Started under nohup: SIGHUP was ignored before the panel began, and stays so.
void TestExitPaths::ignoredSignalStaysIgnored() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel(true);
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    QCOMPARE(::sigaction(SIGHUP, &ignore, &previous), 0);
    int quits = 0;
    {
        ExitPaths paths;
        paths.setQuitAction([&] { ++quits; });
        paths.setWindow(window.get());
        const int mark = SimBoard::get().callCount();
        ::raise(SIGHUP);
        QTest::qWait(100);
        QVERIFY(window->isVisible());
        QVERIFY(!paths.exitRequested());
        QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), QStringList());
    }
    struct sigaction after = {};
    ::sigaction(SIGHUP, &previous, &after);
    QVERIFY(after.sa_handler == SIG_IGN); // and put back as found
    QCOMPARE(quits, 0);
}

// Told to end while the part dialog waits, with no board: the load stops
// there, without a download, a request or a box, at once.
void TestExitPaths::signalDuringPartDialog() {
    Harness::model().clear();
    SimBoard::get().reset();
    qputenv("BOARDPORT_ABSENT", "1");
    ExitPaths paths;
    paths.setQuitAction([] {});
    QV7310 window(Harness::session());
    paths.setWindow(&window);
    bool dialogWasOpen = false;
    QTimer::singleShot(50, [&] {
        dialogWasOpen = qobject_cast<frmPartSelect*>(QApplication::activeModalWidget());
        ::raise(SIGTERM);
    });
    StrayBoxGuard guard;
    QElapsedTimer clock;
    clock.start();
    window.Form_Load(); // the real dialog
    const qint64 elapsed = clock.elapsed();
    window.close(); // as main() does then
    qunsetenv("BOARDPORT_ABSENT");
    QVERIFY(dialogWasOpen);
    QCOMPARE(guard.stray, QString());
    QVERIFY2(elapsed < 2000, qPrintable(QString("%1 ms").arg(elapsed)));
    QVERIFY(paths.exitRequested());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(0)), QStringList());
}

// Told to end while "Reload USB" shows its failure box: the safe state goes
// out, and the start request that would follow the box never does.
void TestExitPaths::reloadBoxThenExit() {
    DialogAnswerer answers(1);
    ExitPaths paths;
    auto window = startWithRealBoxes(paths);
    bool boxWasOpen = false;
    QTimer::singleShot(50, [&] {
        boxWasOpen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        SimBoard::get().clearFaults(); // only the download failed
        ::raise(SIGTERM);
    });
    StrayBoxGuard guard;
    const int mark = SimBoard::get().callCount();
    SimBoard::get().failAfter(0, -4);
    control<QAction>(*window, "mnuReload")->trigger(); // returns once the box is gone
    QVERIFY(boxWasOpen);
    QVERIFY(!window->isVisible());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), QStringList{"load"} + SafeState);
    QCOMPARE(SimBoard::get().state().controlRegister, 0);
    // Unloaded: no request of any kind, and no box, whatever still runs.
    control<QAction>(*window, "mnuReload")->trigger();
    QV7310TestSeam::cmdCLR_Click(*window, 0);
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), QStringList{"load"} + SafeState);
    QCOMPARE(guard.stray, QString());
}

// The desktop session ending asks the application to save its data, then
// quits it: the safe state goes out once.
void TestExitPaths::sessionEndSendsSafeStateOnce() {
    DialogAnswerer answers(1);
    WatchedPanel panel;
    auto& [window, paths, quits] = panel;
    const int mark = SimBoard::get().callCount();
    // The signal as the session manager has it emitted; the panel does not
    // look at the manager itself.
    const QMetaObject& app = QGuiApplication::staticMetaObject;
    const QMetaMethod request = QMetaMethod::fromSignal(&QGuiApplication::commitDataRequest);
    void* args[] = {nullptr, nullptr};
    QMetaObject::activate(qApp, &app, request.methodIndex() - app.methodOffset(), args);
    QCOMPARE(quits, 1);
    QVERIFY(!window->isVisible());
    emit QCoreApplication::instance()->aboutToQuit({});
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), SafeState);
}

// The toolkit ends the process through exit() when it loses the display; a
// child run of this suite does so from inside its event loop.
void TestExitPaths::exitInsideEventLoop_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("afterStart"); // trace lines after request 224
    QTest::addColumn<QString>("stderrLine");
    QTest::newRow("reset") << "reset" << safeStateTrace(0) << QString();
    QTest::newRow("exit without reset") << "no reset" << QStringList() << QString();
    QTest::newRow("closed first") << "closed first" << safeStateTrace(0) << QString();
    QTest::newRow("failing board")
        << "failing board" << safeStateTrace(-7)
        << "The outputs may not be in the safe state: request 221 (word 0x7000) returned -7, "
           "request 221 (word 0x5000) returned -7, request 222 returned -7, request 228 "
           "returned -7";
}

void TestExitPaths::exitInsideEventLoop() {
    QFETCH(QString, mode);
    QFETCH(QStringList, afterStart);
    QFETCH(QString, stderrLine);
    QTemporaryDir temp;
    const QString trace = temp.filePath("trace.txt");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QV_EXIT_CHILD", mode);
    env.insert("BOARDPORT_TRACE", trace);
    // exit() leaves the window on the stack: no leak to report.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"exitInsideEventLoopChild"});
    QVERIFY(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QStringList errors = QString::fromLocal8Bit(child.readAllStandardError()).split('\n');
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 1, qPrintable(output + errors.join('\n')));
    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const qsizetype start = lines.indexOf("VendorIORequest 224 0 0 0 0 0 = 0");
    QVERIFY2(start >= 0, qPrintable(lines.join('\n')));
    QCOMPARE(lines.mid(start + 1), afterStart);
    const auto said = std::count_if(errors.begin(), errors.end(), [](const QString& line) {
        return line.contains("may not be in the safe state");
    });
    QCOMPARE(int(said), stderrLine.isEmpty() ? 0 : 1);
    if (!stderrLine.isEmpty())
        QVERIFY2(errors.contains(stderrLine), qPrintable(errors.join('\n')));
}

void TestExitPaths::exitInsideEventLoopChild() {
    const QString mode = qEnvironmentVariable("QV_EXIT_CHILD");
    if (mode.isEmpty())
        QSKIP("started by exitInsideEventLoop");
    DialogAnswerer answers(1);
    auto window = Harness::startPanel(true);
    if (mode == "no reset")
        control<QAction>(*window, "mnuDontRESET")->trigger();
    else if (mode == "closed first")
        window->close();
    else if (mode == "failing board")
        SimBoard::get().failAfter(0, -7);
    QTimer::singleShot(0, [] { std::exit(1); });
    QTest::qWait(10000);
    QFAIL("exit() did not end the process");
}

// A second panel, while one holds the board, says so and ends at once
// without a single board call: without a display, or driven remotely, there
// is nobody to dismiss a box.
void TestExitPaths::secondPanelSendsNothing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("lockable"); // false: the runtime folder is read-only, no first panel
    QTest::newRow("offscreen") << QStringList() << true;
    QTest::newRow("remote control on") << QStringList{"--part", "QV7310", "--remote"} << true;
    QTest::newRow("no lock can be made") << QStringList{"--part", "QV7310"} << false;
}

void TestExitPaths::secondPanelSendsNothing() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, lockable);
    QTemporaryDir runtime; // the user's runtime folder, private to this test
    QTemporaryDir temp;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    PanelLock first;
    // Nothing may be made in the folder: even root cannot once it is immutable.
    const bool root = ::geteuid() == 0;
    auto setWritable = [&](bool writable) {
        if (root)
            return QProcess::execute("chattr", {writable ? "-i" : "+i", runtime.path()}) == 0;
        return QFile::setPermissions(runtime.path(),
                                     QFile::ReadOwner | QFile::ExeOwner |
                                         (writable ? QFile::WriteOwner : QFile::Permissions()));
    };
    if (lockable)
        QVERIFY(first.acquire());
    else if (!setWritable(false))
        QSKIP("the runtime folder cannot be made read-only here");
    QCOMPARE(QFileInfo(PanelLock::lockPath()).path(), runtime.path());
    const QString trace = temp.filePath("trace.txt");
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BOARDPORT_TRACE", trace);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(env);
    second.start(QCoreApplication::applicationDirPath() + "/qv7310", arguments);
    QVERIFY(second.waitForStarted());
    const bool ended = second.waitForFinished(20000);
    if (!ended)
        second.kill();
    if (!lockable)
        setWritable(true);
    if (savedRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
    QVERIFY2(ended, "the second panel did not end by itself");
    const QString said = QString::fromLocal8Bit(second.readAllStandardError());
    if (lockable)
        QCOMPARE(said, QString("Another panel is already using the evaluation board.\n"));
    else
        QVERIFY2(said.startsWith(QString("The panel cannot make its lock file "
                                         "%1/qv7310-board.lock (")
                                     .arg(runtime.path())) &&
                     said.endsWith("), which keeps a second panel off the evaluation board.\n"),
                 qPrintable(said));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(!QFile::exists(trace));
}

// The real program, ended by SIGTERM, whose board fails the exit's safe
// state, or whose bridge hangs in it (stopped): the failure is said on
// stderr and in the exit status, 3, and a hung bridge holds the exit up no
// longer than its deadline.
void TestExitPaths::failedSafeStateExitStatus_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("failAfter"); // BOARDPORT_FAIL_AFTER
    QTest::addColumn<int>("status");        // of the first request of the safe state
    QTest::newRow("board fails") << QStringList() << "2" << -7;
    QTest::newRow("bridge hangs") << QStringList{"--board-bridge",
                                                 QCoreApplication::applicationDirPath() +
                                                     "/qv7310-board-bridge",
                                                 "--board-timeout", "0.5"}
                                  << "" << int(USBStuff::BridgeTimedOutStatus);
}

void TestExitPaths::failedSafeStateExitStatus() {
    QFETCH(QStringList, options);
    QFETCH(QString, failAfter);
    QFETCH(int, status);
    QTemporaryDir temp;
    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", temp.path());
    env.insert("BOARDPORT_TRACE", temp.filePath("trace.txt"));
    // The download and the start request pass; everything after fails.
    env.insert("BOARDPORT_FAIL_AFTER", failAfter);
    panel.setProcessEnvironment(env);
    panel.start(QCoreApplication::applicationDirPath() + "/qv7310",
                QStringList{"--part", "QV7310"} + options);
    QVERIFY(panel.waitForStarted());
    const auto started = [&temp] {
        QFile trace(temp.filePath("trace.txt"));
        return trace.open(QIODevice::ReadOnly) && trace.readAll().contains("VendorIORequest 224");
    };
    QTRY_VERIFY_WITH_TIMEOUT(started(), 20000);
    qint64 bridge = 0;
    if (!options.isEmpty()) {
        QTRY_VERIFY((bridge = Harness::bridgeProcess(panel.processId())) > 0);
        QCOMPARE(::kill(pid_t(bridge), SIGSTOP), 0);
    }
    QElapsedTimer clock;
    clock.start();
    panel.terminate();
    QVERIFY(panel.waitForFinished(20000));
    QVERIFY2(options.isEmpty() || clock.elapsed() < 500 + 1000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromLocal8Bit(panel.readAllStandardError());
    QVERIFY2(errors.contains(QString("The outputs may not be in the safe state: request 221 "
                                     "(word 0x7000) returned %1")
                                 .arg(status)),
             qPrintable(errors));
    QCOMPARE(panel.exitCode(), 3);
    // The stopped bridge was ended, not left behind.
    QVERIFY(bridge == 0 || ::kill(pid_t(bridge), 0) != 0);
}

// A panel that dies without its orderly exit, at 60 V with every output
// above 50 V, through the board bridge: the bridge sends the safe state
// itself within a second, unless "Exit without reseting DACs" was chosen.
// SIGSEGV and SIGABRT (what abort() raises) stand for a crash.
void TestExitPaths::panelDiesOverBridge_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("afterDeath"); // trace lines
    QTest::newRow("SIGKILL") << int(SIGKILL) << "reset" << safeStateTrace(0);
    QTest::newRow("SIGKILL, exit without reset") << int(SIGKILL) << "no reset" << QStringList();
    QTest::newRow("SIGKILL, reset chosen again")
        << int(SIGKILL) << "no reset, then reset" << safeStateTrace(0);
    QTest::newRow("SIGSEGV") << int(SIGSEGV) << "reset" << safeStateTrace(0);
    QTest::newRow("SIGABRT") << int(SIGABRT) << "reset" << safeStateTrace(0);
    // The panel's own exit sent the safe state and said goodbye: the bridge
    // has ended and repeats nothing.
    QTest::newRow("SIGKILL after the orderly exit")
        << int(SIGKILL) << "orderly exit" << QStringList();
}

void TestExitPaths::panelDiesOverBridge() {
    QFETCH(int, signalNumber);
    QFETCH(QString, mode);
    QFETCH(QStringList, afterDeath);
    QTemporaryDir temp;
    const QString trace = temp.filePath("trace.txt");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QV_DEATH_CHILD", mode);
    env.insert("BOARDPORT_TRACE", trace);
    // The sanitizers would report the crash themselves; the bridge must not
    // wait for them.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0:handle_segv=0");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"panelDiesOverBridgeChild"});
    QVERIFY(child.waitForStarted());
    QString said;
    while (!said.contains("at 58.6 V") && child.waitForReadyRead(20000))
        said += QString::fromLocal8Bit(child.readAllStandardOutput());
    QVERIFY2(said.contains("at 58.6 V"), qPrintable(said + child.readAllStandardError()));
    auto traced = [&trace] {
        QFile file(trace);
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts)
                   : QStringList();
    };
    const QStringList before = traced();
    QVERIFY2(before.contains("VendorIORequest 221 24575 0 0 0 0 = 0") &&
                 before.contains("VendorIORequest 229 0 0 0 0 0 = 0"),
             qPrintable(before.join('\n')));
    if (mode == "orderly exit")
        QCOMPARE(before.mid(before.indexOf("VendorIORequest 221 24575 0 0 0 0 = 0") + 1),
                 safeStateTrace(0));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::kill(pid_t(child.processId()), signalNumber), 0);
    QVERIFY(child.waitForFinished(5000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    if (afterDeath.isEmpty()) {
        QTest::qWait(1000);
    } else {
        while (traced().size() < before.size() + afterDeath.size() && clock.elapsed() < 1000)
            QTest::qWait(10);
    }
    QCOMPARE(traced().mid(before.size()), afterDeath);
}

void TestExitPaths::panelDiesOverBridgeChild() {
    const QString mode = qEnvironmentVariable("QV_DEATH_CHILD");
    if (mode.isEmpty())
        QSKIP("started by panelDiesOverBridge");
    // A crash here writes no core file, which would only slow the death
    // down, and meets no handler of the test library: the panel has none.
    const rlimit noCore = {0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    for (int fatal : {SIGSEGV, SIGABRT})
        std::signal(fatal, SIG_DFL);
    Harness::link().useBridge({QCoreApplication::applicationDirPath() + "/qv7310-board-bridge"});
    DialogAnswerer answers(1);
    auto window = Harness::startPanel(true);
    if (mode.startsWith("no reset"))
        control<QAction>(*window, "mnuDontRESET")->trigger();
    if (mode.endsWith("then reset"))
        control<QAction>(*window, "cmdDACoff")->trigger();
    control<OptionButton>(*window, "optRANGE", 1)->click();
    control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(0);
    control<QLineEdit>(*window, "txtInput", 0)->setText("FFF");
    control<OptionButton>(*window, "InputSel", 0)->setChecked(true);
    control<QPushButton>(*window, "cmdLDAC", ControlArrays::Low)->click();
    control<QPushButton>(*window, "cmdWrite", ControlArrays::AllDacs)->click();
    if (mode == "orderly exit")
        window->close();
    std::printf("outputs at 58.6 V\n");
    std::fflush(stdout);
    QTest::qWait(20000);
    QFAIL("the panel was not ended");
}

QTEST_MAIN(TestExitPaths)
#include "tst_exitpaths.moc"
