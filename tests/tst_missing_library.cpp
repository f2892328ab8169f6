// The panel started where the board library, or one of its functions, is
// missing, or where a file named like it cannot be loaded: no crash, no
// board, one box and one line on stderr saying what is wrong. The board
// bridge beside it binds the library by the same rule and says the same.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/BoardStatus.h"
#include "model/PanelModel.h"
#include "panel/DialogSeam.h"
#include "panel/PanelApplication.h"
#include "panel/QV7310.h"
#include "panel/TabbedSheet.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <unistd.h>

using Harness::control;

namespace {

// The lines `what` writes to stderr.
QStringList stderrLines(const std::function<void()>& what) {
    QTemporaryFile errors;
    if (!errors.open())
        return {"no temporary file for stderr"};
    std::fflush(stderr);
    const int savedStderr = dup(2);
    dup2(errors.handle(), 2);
    what();
    std::fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);
    errors.seek(0);
    return QString::fromLocal8Bit(errors.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The line about the library, from the panel or the bridge.
bool saysWhatIsWrong(const QString& line) {
#if defined(EXPECT_PARTIAL_LIBRARY)
    // A library that can download but not take requests is no board.
    return line == "BoardPort library " + QCoreApplication::applicationDirPath() +
                       "/libBoardPort.so has no function VendorIORequest";
#elif defined(EXPECT_BROKEN_LIBRARY)
    // The file's own error, not only that of the system's search.
    return line.startsWith("BoardPort library could not be loaded: ") &&
           line.contains(QCoreApplication::applicationDirPath() +
                         "/libBoardPort.so: file too short");
#else
    return line.startsWith("BoardPort library could not be loaded: ") &&
           !line.contains(QCoreApplication::applicationDirPath());
#endif
}

const QString failedSafeState =
    "request 221 (word 0x7000) returned -1000, request 221 (word 0x5000) returned -1000, "
    "request 222 returned -1000, request 228 returned -1000";

} // namespace

class TestMissingLibrary : public QObject {
    Q_OBJECT

private slots:
    void panelStartsAndStaysUsable();
    void bridgeSaysTheSame();
};

void TestMissingLibrary::panelStartsAndStaysUsable() {
    PanelApplication::Init();
    QStringList boxes;
    DialogSeam::setHandler([&](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            boxes << box->windowTitle() + "|" + box->text();
        dialog.reject();
        return dialog.result();
    });

    Harness::model().clear();
    auto window = std::make_unique<QV7310>(Harness::session());
    const QStringList lines = stderrLines([&] { window->Form_Load(); });
    QCOMPARE(lines.size(), 1);
    QVERIFY2(saysWhatIsWrong(lines[0]), qPrintable(lines[0]));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0],
             QString(": %1|No Evaluation Board Found").arg(USBStuff::LibraryMissingStatus));
    QCOMPARE(window->boardStatus()->text(), QString("Board: library missing"));
    QCOMPARE(Harness::link().lastStatus(), USBStuff::LibraryMissingStatus);

    // Every command still runs; each call fails inside the binding.
    control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(0);
    control<QLineEdit>(*window, "txtInput", 0)->setText("FFF");
    control<QPushButton>(*window, "cmdLDAC", 2)->click();
    // The part dialog was closed without a choice: the single part's button.
    control<QPushButton>(*window, "cmdWrite", 2)->click();
    QCOMPARE(control<QLabel>(*window, "Label1", 0)->text(), QString("0x1FFF"));
    QCOMPARE(control<QLabel>(*window, "lblVoltage", 2)->text(), QString("29.9927V"));
    QCOMPARE(Harness::link().lastStatus(), USBStuff::LibraryMissingStatus);
    control<QAction>(*window, "mnuReload")->trigger();
    QCOMPARE(Harness::link().lastStatus(), USBStuff::LibraryMissingStatus);
    const QStringList atExit = stderrLines([&] { window->close(); });
    QCOMPARE(atExit, QStringList{"The outputs may not be in the safe state: " + failedSafeState});
    QCOMPARE(control<QLabel>(*window, "Label1", 1)->text(), QString("0x5000"));
    DialogSeam::setHandler(nullptr);
}

// The bridge asked for a download, then left without a goodbye: its download
// fails as the panel's does, and so does the safe state it then sends.
void TestMissingLibrary::bridgeSaysTheSame() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QByteArray hex = QFile::encodeName(dir + "/QV7310.hex");
    QProcess bridge;
    bridge.start(dir + "/qv7310-board-bridge", {});
    QVERIFY(bridge.waitForStarted());
    bridge.write('L' + hex + QByteArray(513 - hex.size(), '\0'));
    bridge.closeWriteChannel();
    QVERIFY(bridge.waitForFinished(10000));
    QCOMPARE(bridge.exitCode(), 0);
    // The download's status, -1000, after the hello.
    QCOMPARE(bridge.readAllStandardOutput(), QByteArray("QVB1") + QByteArray::fromHex("5218fc00"));
    const QString prefix = "qv7310-board-bridge: ";
    const QStringList lines =
        QString::fromLocal8Bit(bridge.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(prefix) && saysWhatIsWrong(lines[0].mid(prefix.size())),
             qPrintable(lines[0]));
    QCOMPARE(lines[1], prefix + "the panel ended without its goodbye: safe state sent (" +
                           failedSafeState + ")");
}

QTEST_MAIN(TestMissingLibrary)
#include "tst_missing_library.moc"
