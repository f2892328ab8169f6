// The board link and the serial word, through the simulated library: plain
// requests, the status of the last call, the path bytes for the firmware
// loader and the hexadecimal echo of each word.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/BoardStatus.h"
#include "model/PanelModel.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"
#include "panel/TabbedSheet.h"
#include "protocol/Declare.h"
#include "remote/ScpiExecutor.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <cstring>

using Harness::control;
using Harness::DialogAnswerer;
using Harness::SimBoard;

class TestBoardLink : public QObject {
    Q_OBJECT

private slots:
    void init();
    void serialWordEcho_data();
    void serialWordEcho();
    void echoReachesBothLabels();
    void lastStatusFollowsEveryCall();
    void boardStatusFollowsFaults();
    void pathBytes_data();
    void pathBytes();
    void pathTooLongLeavesBufferAlone();
    void longestPathThatFits();
    void firmwareFromAwkwardFolder_data();
    void firmwareFromAwkwardFolder();
    void unusableFirmwarePathChild();
    void nonAsciiFolderChild();
    void bridgeFrames_data();
    void bridgeFrames();
    void bridgeEndsUnderPanel_data();
    void bridgeEndsUnderPanel();
};

void TestBoardLink::init() {
    SimBoard::get().reset();
}

void TestBoardLink::serialWordEcho_data() {
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("echo");
    QTest::newRow("DAC2 half scale") << 0x2800 << 0x2800 << 0 << "0x2800";
    QTest::newRow("DAC1 code 0") << (0x1000 | 0) << 0x1000 << 0 << "0x1000";
    QTest::newRow("no address") << 5 << 5 << 0 << "0x0005";
    QTest::newRow("two digits") << 0xAB << 0xAB << 0 << "0x00AB";
    QTest::newRow("three digits") << 0x123 << 0x123 << 0 << "0x0123";
    QTest::newRow("control, all clear") << 0x7000 << 0x7000 << 0 << "0x7000";
    QTest::newRow("all DACs code 0") << 0x5000 << 0x5000 << 0 << "0x5000";
    QTest::newRow("bits 16-23 set") << 0x123456 << 0x3456 << 0x12 << "0x123456";
    QTest::newRow("bit 16 only") << 0x10000 << 0 << 1 << "0x10000";
    QTest::newRow("negative word") << -1 << 0xFFFF << 0xFF << "0xFFFFFFFF";
}

void TestBoardLink::serialWordEcho() {
    QFETCH(int, word);
    QFETCH(int, value);
    QFETCH(int, index);
    QFETCH(QString, echo);
    QCOMPARE(Declare::SerialWordEcho(word), echo);
    QSignalSpy written(&Harness::link(), &BoardLink::serialWordWritten);
    Declare::WriteSerialWord(Harness::link(), word);
    // Before a download the board refuses the word; the echo shows it anyway.
    const auto calls = SimBoard::get().callsSince(0);
    QCOMPARE(calls.size(), std::size_t(1));
    QCOMPARE(calls[0].request, 221);
    QCOMPARE(calls[0].value, value);
    QCOMPARE(calls[0].index, index);
    QCOMPARE(calls[0].arg4, 0);
    QCOMPARE(calls[0].arg5, 0);
    QCOMPARE(calls[0].bufferByte, 0);
    QVERIFY(calls[0].status < 0);
    QCOMPARE(int(Harness::link().lastStatus()), calls[0].status);
    QCOMPARE(written.size(), 1);
    QCOMPARE(Declare::SerialWordEcho(written.at(0).at(0).toInt()), echo);
}

void TestBoardLink::echoReachesBothLabels() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    for (int page : {0, 1}) {
        control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(page);
        Declare::WriteSerialWord(Harness::link(), 0x2800 + page);
        const QString expected = page ? "0x2801" : "0x2800";
        QCOMPARE(control<QLabel>(*window, "Label1", 0)->text(), expected);
        QCOMPARE(control<QLabel>(*window, "Label1", 1)->text(), expected);
    }
}

void TestBoardLink::lastStatusFollowsEveryCall() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    // Alternate failing and passing calls; lastStatus tracks each one.
    SimBoard::get().failAfter(0, -3);
    USBStuff::PlainRequest(Harness::link(), USBStuff::BoardRequest::LdacLow);
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(-3));
    SimBoard::get().clearFaults();
    USBStuff::PlainRequest(Harness::link(), USBStuff::BoardRequest::LdacHigh);
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(0));
    USBStuff::PlainRequest(Harness::link(), 200); // a request the board does not know
    QVERIFY(Harness::link().lastStatus() < 0);
    Declare::WriteSerialWord(Harness::link(), 0x1123);
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(0));
    const auto calls = SimBoard::get().callsSince(0);
    QCOMPARE(int(Harness::link().lastStatus()), calls.back().status);
}

void TestBoardLink::boardStatusFollowsFaults() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    const BoardStatus& board = *window->boardStatus();
    // The menu bar's corner says the same, in red for a fault, to a screen
    // reader too.
    auto* corner = qobject_cast<QLabel*>(window->menuBar()->cornerWidget());
    QVERIFY(corner);
    auto shown = [&] {
        const QColor ink = corner->palette().color(corner->foregroundRole());
        const bool red = ink.red() > 150 && ink.green() < 80 && ink.blue() < 80;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(corner);
        const bool fits = corner->contentsRect().width() >=
                          corner->fontMetrics().horizontalAdvance(corner->text());
        // The bridge does not export the corner: the window's description
        // carries the same text.
        return corner->isVisible() && fits && corner->text() == board.text() &&
               red == board.isFault() && accessible->text(QAccessible::Name) == board.text() &&
               window->accessibleDescription() == board.text();
    };
    QCOMPARE(board.text(), QString("Board: ready"));
    QVERIFY(shown());
    QVERIFY(!board.isFault());
    QSignalSpy failures(&board, &BoardStatus::requestFailed);

    // A failing write marks the board, and a good call afterwards does not
    // clear the mark: only a good Reload does.
    SimBoard::get().failAfter(1, -7);
    QV7310TestSeam::cmdCLR_Click(*window, 1);
    QCOMPARE(board.text(), QString("Board: ready"));
    QV7310TestSeam::cmdLDAC_Click(*window, 2);
    QCOMPARE(board.text(), QString("Board: not responding (status -7)"));
    QVERIFY(shown());
    QVERIFY(board.isFault());
    QCOMPARE(failures.size(), 2); // LDAC low and the refresh's 231
    SimBoard::get().clearFaults();
    QV7310TestSeam::cmdLDAC_Click(*window, 1);
    QCOMPARE(board.text(), QString("Board: not responding (status -7)"));
    QVERIFY(shown());
    // What the failed requests did is unknown: the good Reload takes board
    // and panel to the safe state, as after start-up.
    const int mark = SimBoard::get().callCount();
    QV7310TestSeam::mnuReload_Click(*window);
    QCOMPARE(board.text(), QString("Board: ready"));
    QVERIFY(shown());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)),
             QStringList({"load", "224", "221:0x7000", "221:0x5000", "222", "228", "218", "231"}));
    QVERIFY(Harness::model().ldacIsHigh());

    // Unplugged: a failed Reload says the board is not found, and keeps
    // saying so while its requests fail; replugged, Reload brings it back.
    SimBoard::get().unplug();
    QV7310TestSeam::cmdCLR_Click(*window, 1);
    QVERIFY(board.text().startsWith("Board: not responding (status -"));
    QVERIFY(shown());
    QV7310TestSeam::mnuReload_Click(*window);
    QVERIFY(board.text().startsWith("Board: not found (status -"));
    QVERIFY(shown());
    QVERIFY(!board.isFault());
    QCOMPARE(answers.count("QMessageBox"), 1);
    QV7310TestSeam::cmdCLR_Click(*window, 1);
    QVERIFY(board.text().startsWith("Board: not found (status -"));
    QVERIFY(shown());
    SimBoard::get().replug();
    QV7310TestSeam::mnuReload_Click(*window);
    QCOMPARE(board.text(), QString("Board: ready"));
    QVERIFY(shown());
    QCOMPARE(answers.count("QMessageBox"), 1);
}

void TestBoardLink::pathBytes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("drive path") << "C:\\A" << QByteArray("\x43\x3A\x5C\x41\x00", 5);
    QTest::newRow("empty") << "" << QByteArray("\x00", 1);
    QTest::newRow("unix path") << "/opt/qv/QV7310.hex" << QByteArray("/opt/qv/QV7310.hex\0", 19);
#if !defined(_WIN32)
    // The system's own file-name bytes: UTF-8, several bytes to a character.
    QTest::newRow("accented folder") << QString::fromUtf8("/home/jos\xc3\xa9/QV7310.hex")
                                     << QByteArray("/home/jos\xc3\xa9/QV7310.hex\0", 23);
    QTest::newRow("Cyrillic folder")
        << QString::fromUtf8("/\xd0\xbf\xd1\x80/a") << QByteArray("/\xd0\xbf\xd1\x80/a\0", 8);
    QTest::newRow("outside the BMP")
        << QString::fromUtf8("/tmp/\xf0\x9f\x94\x8c") << QByteArray("/tmp/\xf0\x9f\x94\x8c\0", 10);
#endif
}

void TestBoardLink::pathBytes() {
    QFETCH(QString, path);
    QFETCH(QByteArray, bytes);
    std::memset(Harness::link().ansiPath, 'x', sizeof Harness::link().ansiPath);
    QVERIFY(USBStuff::PathToAnsiBytes(Harness::link(), path));
    QCOMPARE(QByteArray(Harness::link().ansiPath, int(bytes.size())), bytes);
    // Bytes after the terminator keep what was there.
    QCOMPARE(Harness::link().ansiPath[bytes.size()], 'x');
}

void TestBoardLink::pathTooLongLeavesBufferAlone() {
    std::memset(Harness::link().ansiPath, 'x', sizeof Harness::link().ansiPath);
    QVERIFY(!USBStuff::PathToAnsiBytes(Harness::link(), QString(513, 'a')));
    QVERIFY(!USBStuff::PathToAnsiBytes(Harness::link(), QString(100000, 'a')));
#if defined(_WIN32)
    // A character without an ANSI code is refused too.
    QVERIFY(!USBStuff::PathToAnsiBytes(Harness::link(),
                                       QString::fromUtf8("/tmp/\xe2\x82\xac/QV7310.hex")));
    QVERIFY(
        !USBStuff::PathToAnsiBytes(Harness::link(), QString::fromUtf8("/tmp/\xf0\x9f\x94\x8c")));
#else
    // Bytes count, not characters: 257 two-byte characters do not fit.
    QVERIFY(!USBStuff::PathToAnsiBytes(Harness::link(), QString(257, QChar(0xE9))));
#endif
    for (char byte : Harness::link().ansiPath)
        QCOMPARE(byte, 'x');
}

void TestBoardLink::longestPathThatFits() {
    QVERIFY(USBStuff::PathToAnsiBytes(Harness::link(), QString(512, 'b')));
    QCOMPARE(Harness::link().ansiPath[511], 'b');
    QCOMPARE(Harness::link().ansiPath[512], '\0');
#if !defined(_WIN32)
    QVERIFY(USBStuff::PathToAnsiBytes(Harness::link(), QString(256, QChar(0xE9))));
    QCOMPARE(QByteArray(Harness::link().ansiPath, 2), QByteArray("\xc3\xa9"));
    QCOMPARE(Harness::link().ansiPath[512], '\0');
#endif
}

// Copies this suite and the simulated board into a folder with an awkward
// name, and runs there the child check that the row names: a path that does
// not fit the loader's buffer, and one named in other scripts.
void TestBoardLink::firmwareFromAwkwardFolder_data() {
    QTest::addColumn<QString>("child");
    QTest::addColumn<QString>("stderrLine");
    QTest::newRow("too long") << "unusableFirmwarePathChild"
                              << "Firmware path not passed to the board library: it does not "
                                 "fit 512 bytes in the system's file-name encoding: /";
    QTest::newRow("accents and Cyrillic") << "nonAsciiFolderChild" << QString();
}

void TestBoardLink::firmwareFromAwkwardFolder() {
    QFETCH(QString, child);
    QFETCH(QString, stderrLine);
    QTemporaryDir temp;
    QString folder = temp.path();
    if (child == "unusableFirmwarePathChild") {
        while (folder.size() <= 600)
            folder += '/' + QString(120, 'd');
    } else {
        folder +=
            QString::fromUtf8("/jos\xc3\xa9/\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
    }
    QVERIFY(QDir().mkpath(folder));
    const QString here = QCoreApplication::applicationDirPath();
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    for (const QString& file : {exe, QString("libBoardPort.so"), QString("QV7310.hex")})
        QVERIFY(QFile::copy(here + '/' + file, folder + '/' + file));
    QFile::setPermissions(folder + '/' + exe, QFile::permissions(here + '/' + exe));
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(folder + '/' + exe, {child});
    QVERIFY(run.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(run.readAll());
    QVERIFY2(run.exitCode() == 0, qPrintable(output));
    QVERIFY2(output.contains(QString("PASS   : TestBoardLink::%1()").arg(child)),
             qPrintable(output));
    const QStringList lines = output.split('\n');
    const auto said = std::count_if(lines.begin(), lines.end(), [&](const QString& line) {
        return !stderrLine.isEmpty() && line.startsWith(stderrLine);
    });
    QCOMPARE(int(said), stderrLine.isEmpty() ? 0 : 1);
}

void TestBoardLink::unusableFirmwarePathChild() {
    if (QCoreApplication::applicationDirPath().size() < 512)
        QSKIP("runs from a folder with a very long path, started by the test above");
    std::memset(Harness::link().ansiPath, 'x', sizeof Harness::link().ansiPath);
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    // The download was never attempted: the board saw only the start request.
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(0)), QStringList({"224"}));
    QCOMPARE(answers.count("QMessageBox"), 1);
    QCOMPARE(answers.shown.back().text, QString("No Evaluation Board Found"));
    QVERIFY(answers.shown.back().title.startsWith(": -"));
    for (char byte : Harness::link().ansiPath)
        QCOMPARE(byte, 'x');
}

void TestBoardLink::nonAsciiFolderChild() {
    const QString dir = QCoreApplication::applicationDirPath();
    if (std::all_of(dir.begin(), dir.end(), [](QChar c) { return c.unicode() < 128; }))
        QSKIP("runs from a folder named in other scripts, started by the test above");
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    const auto calls = SimBoard::get().callsSince(0);
    QCOMPARE(Harness::describe(calls), QStringList({"load", "224"}));
    QCOMPARE(calls[0].status, 0);
    QCOMPARE(QByteArray(calls[0].path), QFile::encodeName(dir + "/QV7310.hex"));
    QCOMPARE(answers.count("QMessageBox"), 0);
    QCOMPARE(window->boardStatus()->text(), QString("Board: ready"));
}

// Frames as the bridge reads them from its standard input, well formed or
// not: what it answers, how it ends and what reached the library. A
// malformed frame never does; whatever ends the input without a goodbye
// brings the safe state once a call has been made.
void TestBoardLink::bridgeFrames_data() {
    const QByteArray hex =
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/QV7310.hex");
    const QByteArray download = 'L' + hex + QByteArray(513 - hex.size(), '\0');
    // Request 224: value 0x11223344 and index -2 in little-endian order.
    const QByteArray start = QByteArray::fromHex("56e00044332211feffffff0000000007");
    const QStringList safe = {"221 28672", "221 20480", "222 0", "228 0"};
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("results"); // after the hello
    QTest::addColumn<QString>("said");       // on standard error
    QTest::addColumn<QStringList>("calls");  // request and value, as traced
    QTest::newRow("no input") << QByteArray() << 0 << QByteArray() << QString() << QStringList();
    QTest::newRow("goodbye") << start + 'G' << 0 << QByteArray::fromHex("52fbff07") << QString()
                             << QStringList{"224 287454020 -2"};
    QTest::newRow("input ends after a call")
        << download + start << 0 << QByteArray::fromHex("5200000052000007")
        << "without its goodbye: safe state sent"
        << (QStringList{"load", "224 287454020 -2"} + safe);
    QTest::newRow("input ends, outputs to be left")
        << QByteArray("X\x00", 2) + start << 0 << QByteArray::fromHex("52fbff07") << QString()
        << QStringList{"224 287454020 -2"};
    QTest::newRow("unknown kind") << QByteArray("Z") << 2 << QByteArray() << "unknown kind 90"
                                  << QStringList();
    QTest::newRow("unknown kind after a call")
        << start + "Q" << 2 << QByteArray::fromHex("52fbff07") << "unknown kind 81"
        << (QStringList{"224 287454020 -2"} + safe);
    QTest::newRow("short request") << start.left(9) << 2 << QByteArray()
                                   << "input ended inside a frame of kind V" << QStringList();
    QTest::newRow("path without terminator") << 'L' + QByteArray(513, 'a') << 2 << QByteArray()
                                             << "a path without its terminator" << QStringList();
    QTest::newRow("oversized path") << 'L' + QByteArray(2000, 'a') << 2 << QByteArray()
                                    << "a path without its terminator" << QStringList();
    QTest::newRow("exit choice out of range")
        << QByteArray("X\x02", 2) << 2 << QByteArray() << "exit choice 2" << QStringList();
}

void TestBoardLink::bridgeFrames() {
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, results);
    QFETCH(QString, said);
    QFETCH(QStringList, calls);
    QTemporaryDir temp;
    const QString trace = temp.filePath("trace.txt");
    QProcess bridge;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BOARDPORT_TRACE", trace);
    bridge.setProcessEnvironment(env);
    bridge.start(QCoreApplication::applicationDirPath() + "/qv7310-board-bridge", {});
    QVERIFY(bridge.waitForStarted());
    bridge.write(input);
    bridge.closeWriteChannel();
    QVERIFY(bridge.waitForFinished(10000));
    QCOMPARE(bridge.exitStatus(), QProcess::NormalExit);
    QCOMPARE(bridge.exitCode(), exitCode);
    QCOMPARE(bridge.readAllStandardOutput(), QByteArray("QVB1") + results);
    const QString errors = QString::fromLocal8Bit(bridge.readAllStandardError());
    QVERIFY2(said.isEmpty() ? errors.isEmpty() : errors.contains(said), qPrintable(errors));
    QFile file(trace);
    QStringList traced;
    if (file.open(QIODevice::ReadOnly))
        for (const QString& line : QString::fromLocal8Bit(file.readAll()).split('\n')) {
            const QStringList words = line.split(' ');
            if (words.value(0) == "LoadFirmWare")
                traced << "load";
            else if (words.value(0) == "VendorIORequest")
                traced << words.mid(1, words[3] == "0" ? 2 : 3).join(' ');
        }
    QCOMPARE(traced, calls);
}

// The bridge killed, or stopped (a library stuck in a transfer) under a
// running panel: within the deadline and a second the panel answers again,
// the corner says so, the waiting remote command fails, the bridge is gone,
// calls fail without reaching any board, and "Reload USB" or BOARd:RELoad
// start a new bridge that the panel then drives from the state after start-up.
void TestBoardLink::bridgeEndsUnderPanel_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("deadlineMs");
    QTest::newRow("killed") << "kill" << int(USBStuff::BridgeEndedStatus) << "Board: bridge ended"
                            << 0;
    // A deadline of 0.5 s for a request, six times that for a download.
    QTest::newRow("stopped during a write") << "write" << int(USBStuff::BridgeTimedOutStatus)
                                            << "Board: not responding (no answer in 0.5 s)" << 500;
    QTest::newRow("stopped during a download")
        << "download" << int(USBStuff::BridgeTimedOutStatus)
        << "Board: not responding (no answer in 3 s)" << 3000;
}

void TestBoardLink::bridgeEndsUnderPanel() {
    QFETCH(QString, failure);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(int, deadlineMs);
    // The bridge of an earlier row may still be on its way out.
    QTRY_COMPARE(Harness::bridgeProcess(), 0);
    Harness::link().setRequestDeadline(0.5);
    Harness::link().useBridge({QCoreApplication::applicationDirPath() + "/qv7310-board-bridge"});
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    ScpiExecutor executor(Harness::model());
    Scpi::Session session;
    const BoardStatus& board = *window->boardStatus();
    QCOMPARE(board.text(), QString("Board: ready"));
    for (const char* reload : {"menu", "remote"}) {
        const qint64 bridge = Harness::bridgeProcess();
        QVERIFY(bridge > 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::kill(pid_t(bridge), failure == "kill" ? SIGKILL : SIGSTOP), 0);
        if (failure == "kill")
            USBStuff::PlainRequest(Harness::link(), USBStuff::BoardRequest::LdacLow);
        else if (failure == "write")
            executor.runLine("DAC1:CODE 100", session);
        else
            control<QAction>(*window, "mnuReload")->trigger();
        QVERIFY2(clock.elapsed() < deadlineMs + 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(int(Harness::link().lastStatus()), status);
        // The remote command that waited failed with an execution error.
        if (failure == "write")
            QCOMPARE(QByteArray(executor.runLine("SYST:ERR?", session)),
                     QByteArray("-240,\"Hardware error;request 221 returned status -1005\""));
        QCOMPARE(board.text(), text);
        QVERIFY(board.isFault());
        QCOMPARE(window->accessibleDescription(), text);
        QCOMPARE(QString(executor.runLine("BOAR:STAT?", session)),
                 QString("%1,\"%2\"").arg(status).arg(text));
        QCOMPARE(Harness::bridgeProcess(), 0);
        // The stopped bridge was ended, not left behind.
        QVERIFY(::kill(pid_t(bridge), 0) != 0);
        // Failed calls start nothing: only a reload does.
        QV7310TestSeam::cmdLDAC_Click(*window, ControlArrays::Pulse);
        QCOMPARE(Harness::bridgeProcess(), 0);
        if (QLatin1String(reload) == QLatin1String("menu"))
            control<QAction>(*window, "mnuReload")->trigger();
        else
            executor.runLine("BOAR:REL", session);
        QCOMPARE(board.text(), QString("Board: ready"));
        QVERIFY(Harness::bridgeProcess() > 0);
        QVERIFY(Harness::bridgeProcess() != bridge);
        USBStuff::PlainRequest(Harness::link(), USBStuff::BoardRequest::LdacLow);
        QCOMPARE(Harness::link().lastStatus(), std::int16_t(0));
    }
    window.reset();
    Harness::link().useLibrary();
}

QTEST_MAIN(TestBoardLink)
#include "tst_boardlink.moc"
