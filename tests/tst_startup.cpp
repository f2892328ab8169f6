// Start-up, reload and exit of the main window against the simulated board:
// the requests each sends, the part choice, and the missing-board box.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/PanelModel.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"
#include "panel/TabbedSheet.h"
#include "remote/ScpiExecutor.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

using Harness::control;
using Harness::DialogAnswerer;
using Harness::SimBoard;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void startupDownloadsThenStarts();
    void partChoiceSetsLayout_data();
    void partChoiceSetsLayout();
    void absentBoardShowsOneBoxAndStillStarts();
    void reloadRepeatsStartupAndKeepsState();
    void reloadAfterReplugBringsBoardBack();
    void exitSequence_data();
    void exitSequence();
    void exitSequenceRunsOnce();
    void exitMenuClosesWindow();
    void traceFileRecordsStartupAndExit();
    void realPartDialogAnswersByClick();
    void failingRequestsOnlyRecordStatus();
    void pageBehindComesWhenNeeded_data();
    void pageBehindComesWhenNeeded();
};

void TestStartup::cleanup() {
    qunsetenv("BOARDPORT_ABSENT");
    qunsetenv("BOARDPORT_TRACE");
    SimBoard::get().clearFaults();
}

void TestStartup::startupDownloadsThenStarts() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    const auto calls = SimBoard::get().callsSince(0);
    QCOMPARE(Harness::describe(calls), QStringList({"load", "224"}));
    // The board gets the path in the system's own form (backslashes on Windows).
    const QString expectedPath =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/QV7310.hex");
    QCOMPARE(QString::fromLocal8Bit(calls[0].path), expectedPath);
    QCOMPARE(Harness::link().firmwarePath, expectedPath);
    QCOMPARE(calls[0].status, 0);
    // A plain request: value 0, index 0, two zero arguments, a zeroed buffer.
    QCOMPARE(calls[1].value, 0);
    QCOMPARE(calls[1].index, 0);
    QCOMPARE(calls[1].arg4, 0);
    QCOMPARE(calls[1].arg5, 0);
    QCOMPARE(calls[1].bufferByte, 0);
    QCOMPARE(answers.count("QMessageBox"), 0);
    QVERIFY(SimBoard::get().state().started);
    // The panel state after start-up.
    QVERIFY(Harness::model().ldacIsHigh());
    QCOMPARE(Harness::model().pendingCode(), 0);
    QCOMPARE(Harness::model().registerAddress(), 0);
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(0));
    QCOMPARE(control<TabbedSheet>(*window, "SSTab1")->currentIndex(), 1);
    QVERIFY(control<QLabel>(*window, "Label1", 0)->text().isEmpty());
}

void TestStartup::partChoiceSetsLayout_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("quad");
    QTest::addColumn<QString>("title");
    QTest::newRow("QV7301") << 0 << false << "QV7301 High Voltage DAC";
    QTest::newRow("QV7310") << 1 << true << "QV7310 Quad High Voltage DAC";
    QTest::newRow("closed without a choice") << -1 << false << "QV7301 High Voltage DAC";
}

void TestStartup::partChoiceSetsLayout() {
    QFETCH(int, button);
    QFETCH(bool, quad);
    QFETCH(QString, title);
    DialogAnswerer answers(button);
    auto window = Harness::startPanel();
    QCOMPARE(answers.count("frmPartSelect"), 1);
    QCOMPARE(answers.shown.front().title, QString("Select Part"));
    QCOMPARE(Harness::model().partIsQuad(), quad);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(control<QPushButton>(*window, "cmdWrite", 2)->text(),
             QString(quad ? "Load DAC3" : "Load DAC"));
    for (int i : {0, 1, 3, 4})
        QCOMPARE(!control<QPushButton>(*window, "cmdWrite", i)->isHidden(), quad);
    QCOMPARE(!control<QGroupBox>(*window, "Frame11")->isHidden(), quad);
    QVERIFY(!control<QGroupBox>(*window, "Frame14")->isHidden());
    QVERIFY(control<QGroupBox>(*window, "Frame10")->isHidden());
    // Whatever the part, the board gets the same start-up.
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(0)), QStringList({"load", "224"}));
}

void TestStartup::absentBoardShowsOneBoxAndStillStarts() {
    qputenv("BOARDPORT_ABSENT", "1");
    DialogAnswerer answers(1);
    // The window is placed before the download, so the box opens over the
    // middle of the screen, not over its top left corner.
    QPoint windowCentre;
    answers.onShow = [&windowCentre](QDialog& dialog) {
        if (dialog.parentWidget())
            windowCentre = dialog.parentWidget()->geometry().center();
    };
    auto window = Harness::startPanel();
    const QPoint offCentre = windowCentre - window->screen()->geometry().center();
    QVERIFY2(offCentre.manhattanLength() < 40,
             qPrintable(QStringLiteral("window centre %1,%2 off the screen's by %3,%4")
                            .arg(windowCentre.x())
                            .arg(windowCentre.y())
                            .arg(offCentre.x())
                            .arg(offCentre.y())));
    const auto calls = SimBoard::get().callsSince(0);
    QCOMPARE(Harness::describe(calls), QStringList({"load", "224"}));
    QVERIFY(calls[0].status < 0);
    QCOMPARE(answers.count("QMessageBox"), 1);
    const Harness::ShownDialog& box = answers.shown.back();
    QCOMPARE(box.text, QString("No Evaluation Board Found"));
    QCOMPARE(box.title, ": " + QString::number(calls[0].status));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(int(Harness::link().lastStatus()), calls[1].status);
    // The panel stays usable: a write still goes to the library and fails there.
    control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(0);
    control<QPushButton>(*window, "cmdWrite", 1)->click();
    QCOMPARE(control<QLabel>(*window, "Label1", 0)->text(), QString("0x2000"));
    QVERIFY(Harness::link().lastStatus() < 0);
}

void TestStartup::reloadRepeatsStartupAndKeepsState() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(0);
    control<QLineEdit>(*window, "txtInput", 0)->setText("800");
    control<QPushButton>(*window, "cmdLDAC", 2)->click();
    control<QPushButton>(*window, "cmdWrite", 1)->click();
    QCOMPARE(control<QLabel>(*window, "lblVoltage", 1)->text(), QString("15.0000V"));
    const int mark = SimBoard::get().callCount();
    control<QAction>(*window, "mnuReload")->trigger();
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), QStringList({"load", "224"}));
    QCOMPARE(Harness::model().dacCode(1), 0x800);
    QCOMPARE(control<QLabel>(*window, "lblVoltage", 1)->text(), QString("15.0000V"));
    QCOMPARE(control<QLabel>(*window, "Label1", 1)->text(), QString("0x2800"));
    QCOMPARE(answers.count("QMessageBox"), 0);
}

void TestStartup::reloadAfterReplugBringsBoardBack() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    SimBoard::get().unplug();
    control<QPushButton>(*window, "cmdLDAC", 0)->click();
    QVERIFY(Harness::link().lastStatus() < 0);
    control<QAction>(*window, "mnuReload")->trigger();
    QCOMPARE(answers.count("QMessageBox"), 1);
    SimBoard::get().replug();
    control<QAction>(*window, "mnuReload")->trigger();
    QCOMPARE(answers.count("QMessageBox"), 1);
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(0));
    QVERIFY(SimBoard::get().state().firmwareLoaded);
    control<QPushButton>(*window, "cmdLDAC", 0)->click();
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(0));
}

void TestStartup::exitSequence_data() {
    QTest::addColumn<bool>("chooseDontReset");
    QTest::addColumn<QStringList>("requests");
    QTest::newRow("turn off DACs (default)")
        << false << QStringList({"221:0x7000", "221:0x5000", "222", "228"});
    QTest::newRow("exit without reseting") << true << QStringList();
}

void TestStartup::exitSequence() {
    QFETCH(bool, chooseDontReset);
    QFETCH(QStringList, requests);
    DialogAnswerer answers(1);
    auto window = Harness::startPanel(true);
    QVERIFY(control<QAction>(*window, "cmdDACoff")->isChecked());
    QVERIFY(!control<QAction>(*window, "mnuDontRESET")->isChecked());
    if (chooseDontReset) {
        control<QAction>(*window, "mnuDontRESET")->trigger();
        QVERIFY(control<QAction>(*window, "mnuDontRESET")->isChecked());
        QVERIFY(!control<QAction>(*window, "cmdDACoff")->isChecked());
        QVERIFY(!Harness::model().resetOnExit());
    }
    control<QPushButton>(*window, "cmdLDAC", 2)->click(); // LDAC low, so the exit pulse matters
    const int mark = SimBoard::get().callCount();
    window->close();
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), requests);
    if (!chooseDontReset) {
        QVERIFY(Harness::model().ldacIsHigh());
        const SimState state = SimBoard::get().state();
        QCOMPARE(state.controlRegister, 0);
        QCOMPARE(state.range60, 0);
        for (double volts : state.output)
            QCOMPARE(volts, 0.0);
        QCOMPARE(control<QLabel>(*window, "Label1", 0)->text(), QString("0x5000"));
    }
}

void TestStartup::exitSequenceRunsOnce() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel(true);
    // The check items are a pair: choosing one, then the other, restores reset.
    control<QAction>(*window, "mnuDontRESET")->trigger();
    control<QAction>(*window, "cmdDACoff")->trigger();
    QVERIFY(control<QAction>(*window, "cmdDACoff")->isChecked());
    QVERIFY(!control<QAction>(*window, "mnuDontRESET")->isChecked());
    QVERIFY(Harness::model().resetOnExit());
    const int mark = SimBoard::get().callCount();
    window->close();
    window->Form_Unload();
    window->close();
    QCOMPARE(SimBoard::get().callsSince(mark).size(), std::size_t(4));
}

void TestStartup::exitMenuClosesWindow() {
    DialogAnswerer answers(0);
    auto window = Harness::startPanel(true);
    const int mark = SimBoard::get().callCount();
    control<QAction>(*window, "mnuExit")->trigger();
    QVERIFY(!window->isVisible());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)),
             QStringList({"221:0x7000", "221:0x5000", "222", "228"}));
}

void TestStartup::traceFileRecordsStartupAndExit() {
    QTemporaryDir dir;
    const QString tracePath = dir.filePath("trace.txt");
    qputenv("BOARDPORT_TRACE", tracePath.toLocal8Bit());
    {
        DialogAnswerer answers(1);
        auto window = Harness::startPanel(true);
        window->close();
    }
    QFile trace(tracePath);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromLocal8Bit(trace.readAll()).split('\n', Qt::SkipEmptyParts);
    const QStringList expected = {
        "LoadFirmWare " +
            QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/QV7310.hex") +
            " = 0",
        "VendorIORequest 224 0 0 0 0 0 = 0",
        "VendorIORequest 221 28672 0 0 0 0 = 0",
        "VendorIORequest 221 20480 0 0 0 0 = 0",
        "VendorIORequest 222 0 0 0 0 0 = 0",
        "VendorIORequest 228 0 0 0 0 0 = 0",
    };
    QCOMPARE(lines, expected);
}

void TestStartup::realPartDialogAnswersByClick() {
    // No seam: the real modal dialog runs, and a click on "QV7310" ends it.
    Harness::model().clear();
    SimBoard::get().reset();
    bool sawDialog = false;
    QString dialogPlace = "not seen";
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        QVERIFY(QTest::qWaitForWindowActive(modal));
        sawDialog = modal->objectName() == "frmPartSelect";
        dialogPlace = Harness::centringFault(*modal);
        QCOMPARE(modal->windowTitle(), QString("Select Part"));
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("cmdPartSelect(0)"));
        auto* quad = modal->findChild<QPushButton*>("cmdPartSelect(1)");
        QVERIFY(quad);
        QTest::mouseClick(quad, Qt::LeftButton);
    });
    QV7310 window(Harness::session());
    window.Form_Load();
    QVERIFY(sawDialog);
    QVERIFY(Harness::model().partIsQuad());
    QCOMPARE(window.windowTitle(), QString("QV7310 Quad High Voltage DAC"));
    // Both centred on their frames, as shown.
    QCOMPARE(dialogPlace, QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(Harness::centringFault(window), QString());
    control<QAction>(window, "mnuDontRESET")->trigger();
    QVERIFY(!Harness::model().resetOnExit());
}

void TestStartup::failingRequestsOnlyRecordStatus() {
    DialogAnswerer answers(1);
    auto window = Harness::startPanel();
    control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(0);
    SimBoard::get().failAfter(1, -9);
    control<QPushButton>(*window, "cmdLDAC", 2)->click(); // 227 passes, the refresh's 231 fails
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(-9));
    QVERIFY(!Harness::model().ldacIsHigh());
    control<QLineEdit>(*window, "txtInput", 0)->setText("FFF");
    control<QPushButton>(*window, "cmdWrite", 0)->click();
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(-9));
    QCOMPARE(control<QLabel>(*window, "Label1", 0)->text(), QString("0x1FFF"));
    QCOMPARE(control<QLabel>(*window, "lblVoltage", 0)->text(), QString("29.9927V"));
    QCOMPARE(answers.count("QMessageBox"), 0);
    SimBoard::get().clearFaults();
    control<QPushButton>(*window, "cmdCLR", 1)->click();
    QCOMPARE(Harness::link().lastStatus(), std::int16_t(0));
}

enum class Need { Paint, Key, Mouse, Tab, ScreenReader, Lookup, Handler, Remote, PartDialog };
Q_DECLARE_METATYPE(Need)

void TestStartup::pageBehindComesWhenNeeded_data() {
    QTest::addColumn<int>("part"); // the part dialog's button: 0 QV7301, 1 QV7310
    QTest::addColumn<Need>("need");
    QTest::addColumn<QString>("reading"); // lblVoltage(0), or lblVoltage(2) for QV7301
    QTest::newRow("first paint") << 1 << Need::Paint << "0.0000V";
    QTest::newRow("first paint, QV7301") << 0 << Need::Paint << "0.0000V";
    QTest::newRow("key press") << 1 << Need::Key << "0.0000V";
    QTest::newRow("mouse press") << 1 << Need::Mouse << "0.0000V";
    QTest::newRow("its tab chosen") << 1 << Need::Tab << "0.0000V";
    QTest::newRow("screen reader") << 1 << Need::ScreenReader << "0.0000V";
    QTest::newRow("lookup by name") << 1 << Need::Lookup << "0.0000V";
    // A handler or remote command needs only the model: the page comes later
    // (here by a lookup) and shows what the model holds.
    QTest::newRow("after a handler (Pulse LDAC)") << 1 << Need::Handler << "15.0000V";
    QTest::newRow("after a handler (Pulse LDAC), QV7301") << 0 << Need::Handler << "15.0000V";
    QTest::newRow("after a remote command") << 1 << Need::Remote << "0.0000V";
    QTest::newRow("lookup during the part dialog, QV7301") << 0 << Need::PartDialog << "0.0000V";
}

// The page behind ("Data Registers") is created after the first paint, or
// before that when something needs it, and then shows what the panel has
// done so far: the serial word, the channels' power and the readings.
void TestStartup::pageBehindComesWhenNeeded() {
    QFETCH(int, part);
    QFETCH(Need, need);
    QFETCH(QString, reading);
    const bool quad = part == 1;
    Harness::model().clear();
    SimBoard::get().reset();
    DialogAnswerer answers(part);
    QV7310 window(Harness::session());
    // Looked up without FindControl, which would create the page.
    auto created = [&window] { return window.findChild<QLineEdit*>("txtInput(0)") != nullptr; };
    if (need == Need::PartDialog)
        answers.onShow = [&window](QDialog&) { control<QLineEdit>(window, "txtInput", 0); };
    window.Form_Load();
    QV7310TestSeam::mnuDontRESET_Click(window);
    QCOMPARE(created(), need == Need::PartDialog);
    // Before it: channel 1 powered up, a code written with LDAC high.
    window.findChild<QAbstractButton*>("optPD1(1)")->click();
    Harness::model().setCode(1, 0x800);
    QCOMPARE(created(), need == Need::PartDialog);
    QWidget* page = window.findChild<QWidget*>("SSTab1.0");
    switch (need) {
    case Need::Paint:
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(QTest::qWaitFor(created));
        break;
    case Need::Key:
        QTest::keyClick(&window, Qt::Key_Shift);
        break;
    case Need::Mouse:
        QTest::mouseClick(&window, Qt::LeftButton);
        break;
    case Need::Tab:
        window.findChild<QTabBar*>()->setCurrentIndex(0);
        QVERIFY(page->isVisibleTo(&window));
        QVERIFY(created() && window.findChild<QWidget*>("txtInput(0)")->isVisibleTo(&window));
        break;
    case Need::ScreenReader:
        // Behind, the page tells a screen reader nothing, so it need not
        // exist yet; in front, its controls.
        QCOMPARE(QAccessible::queryAccessibleInterface(page)->childCount(), 0);
        QVERIFY(!created());
        window.findChild<QTabBar*>()->setCurrentIndex(0);
        QVERIFY(QAccessible::queryAccessibleInterface(page)->childCount() > 0);
        break;
    case Need::Lookup:
    case Need::PartDialog:
        control<QLineEdit>(window, "txtInput", 0);
        break;
    case Need::Handler:
        QV7310TestSeam::cmdLDAC_Click(window, 0);
        QVERIFY(!created());
        control<QLineEdit>(window, "txtInput", 0);
        break;
    case Need::Remote: {
        ScpiExecutor executor(Harness::model());
        Scpi::Session session;
        QCOMPARE(executor.runLine("RANG?;DAC1:VOLT:OUTP?;DAC1:POW?", session),
                 QByteArray("30;0.0000;1"));
        QVERIFY(!created());
        control<QLineEdit>(window, "txtInput", 0);
        break;
    }
    }
    QVERIFY(created());
    const QString word = "0x1800";
    QCOMPARE(window.findChild<QLabel*>("Label1(0)")->text(), word);
    QCOMPARE(window.findChild<QLabel*>("Label1(1)")->text(), word);
    QCOMPARE(window.findChild<QLabel*>("Label1(1)")->accessibleDescription(), word);
    QCOMPARE(window.findChild<QPushButton*>("cmdWrite(0)")->toolTip(),
             QString("DAC is powered up"));
    QCOMPARE(window.findChild<QPushButton*>("cmdWrite(1)")->toolTip(),
             QString("DAC is powered down"));
    QCOMPARE(window.findChild<QLabel*>(quad ? "lblVoltage(0)" : "lblVoltage(2)")->text(), reading);
    // The single part's adaptation, whenever the page came.
    QCOMPARE(window.findChild<QPushButton*>("cmdWrite(0)")->isHidden(), !quad);
    QCOMPARE(window.findChild<QPushButton*>("cmdWrite(2)")->text(),
             QString(quad ? "Load DAC3" : "Load DAC"));
    // The page's handlers are connected: Enter in a box selects its row.
    QTest::keyClick(window.findChild<QLineEdit*>("txtInput(3)"), Qt::Key_Return);
    QVERIFY(window.findChild<QAbstractButton*>("InputSel(3)")->isChecked());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
