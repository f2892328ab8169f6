// Every way out leaves the board in the safe state exactly once: closing,
// "Exit", SIGTERM, SIGINT, SIGHUP, a signal while a box is open, and the
// application quitting, in any order.
#include "DialogSeam.h"
#include "ExitPaths.h"
#include "PanelHarness.h"
#include "QV7310.h"
#include "QV7310Variables.h"

#include <QAction>
#include <QtTest>
#include <csignal>

using Harness::control;
using Harness::DialogAnswerer;
using Harness::SimBoard;

namespace {
const QStringList SafeState = {"221:0x7000", "221:0x5000", "222", "228"};
}

class TestExitPaths : public QObject {
    Q_OBJECT

private slots:
    void signalClosesWindow_data();
    void signalClosesWindow();
    void manyWaysOutRunSequenceOnce();
    void signalWhileBoxIsOpen();
    void quittingApplicationUnloads();
};

void TestExitPaths::signalClosesWindow_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("reset");
    QTest::newRow("SIGTERM") << int(SIGTERM) << true;
    QTest::newRow("SIGINT") << int(SIGINT) << true;
    QTest::newRow("SIGHUP") << int(SIGHUP) << true;
    QTest::newRow("SIGTERM, exit without reset") << int(SIGTERM) << false;
}

void TestExitPaths::signalClosesWindow() {
    QFETCH(int, signalNumber);
    QFETCH(bool, reset);
    DialogAnswerer answers(1);
    auto window = Harness::startPanel(true);
    ExitPaths paths;
    int quits = 0;
    paths.setQuitAction([&] { ++quits; });
    paths.setWindow(window.get());
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
    auto window = Harness::startPanel(true);
    ExitPaths paths;
    int quits = 0;
    paths.setQuitAction([&] { ++quits; });
    paths.setWindow(window.get());
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
    auto window = Harness::startPanel(true);
    // The real Version box, not answered by anyone: the signal closes it.
    DialogSeam::setHandler(nullptr);
    ExitPaths paths;
    paths.setQuitAction([] {});
    paths.setWindow(window.get());
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

QTEST_MAIN(TestExitPaths)
#include "tst_exitpaths.moc"
