// CLR, LDAC and range commands, the control-register page, and the version
// box and credits sequence, driven through the real window and checked
// against the simulated board.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/PanelModel.h"
#include "panel/OptionButton.h"
#include "panel/PictureBox.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"
#include "panel/TabbedSheet.h"
#include "panel/created.h"
#include "panel/frmLimits.h"
#include "panel/frmPartSelect.h"

#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

using Harness::control;
using Harness::controls;
using Harness::DialogAnswerer;
using Harness::SimBoard;

namespace {
QStringList requestsOf(const std::function<void()>& action) {
    const int mark = SimBoard::get().callCount();
    action();
    return Harness::describe(SimBoard::get().callsSince(mark));
}
} // namespace

class TestControls : public QObject, Harness::PanelFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void outputLimits_data();
    void outputLimits();
    void limitsDialog();
    void limitsOfTheRun();
    void unreadableKeptLimit();
    void lineCommands_data();
    void lineCommands();
    void clearThenLdacBringsVoltagesBack();
    void rangeChangeRescales_data();
    void rangeChangeRescales();
    void boardFollowsLineCommands();
    void sequencesFollowTheBoard_data();
    void sequencesFollowTheBoard();
    void enterClicksFocusedButton_data();
    void enterClicksFocusedButton();
    void controlWord_data();
    void controlWord();
    void controlWordReachesBoard();
    void optionButtonChange_data();
    void optionButtonChange();
    void singlePartToolTips();
    void versionBox();
    void creditsSequence_data();
    void creditsSequence();
    void sheetShowsUnderClickAreas();
    void bordersAreOnePixel();
    void creditsDialogForReal();

private:
    // Loads `code` into every channel with LDAC low, so the labels show it.
    void loadAll(const QString& code) {
        control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
        control<QLineEdit>(*window_, "txtInput", 0)->setText(code);
        control<OptionButton>(*window_, "InputSel", 0)->setChecked(true);
        control<QPushButton>(*window_, "cmdLDAC", 2)->click();
        control<QPushButton>(*window_, "cmdWrite", 4)->click();
    }
};

void TestControls::init() {
    start(1);
}

void TestControls::cleanup() {
    // Limits are kept between runs; none is kept past its test.
    for (int channel = 1; channel <= Harness::model().channels(); ++channel)
        Harness::model().setLimit(channel, -1);
    stop();
}

// A person's actions against the channels' limits: refused before anything
// is sent, with one box; the readings, the codes and the range stay.
void TestControls::outputLimits_data() {
    QTest::addColumn<QString>("setup"); // box 0's code, loaded into DAC1 or all first
    QTest::addColumn<QString>("limit"); // CH=VOLTS, set after the setup
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("box"); // the box's text, empty for none
    QTest::newRow("Load DAC2 above") << ""
                                     << "2=20"
                                     << "write AF0 1" << QStringList()
                                     << "DAC2 would go to 20.5078V, above its limit of 20 V. "
                                        "Nothing was sent.";
    QTest::newRow("Load DAC2 under") << ""
                                     << "2=20"
                                     << "write AAA 1" << QStringList{"221:0x2aaa"} << "";
    QTest::newRow("Write to all DACs, DAC4 limited")
        << ""
        << "4=1"
        << "write 100 4" << QStringList()
        << "DAC4 would go to 1.8750V, above its limit of 1 V. Nothing was sent.";
    QTest::newRow("60V with a code loaded")
        << "BB8 low"
        << "1=40"
        << "range 1" << QStringList()
        << "DAC1 would go to 43.9453V, above its limit of 40 V. Nothing was sent.";
    QTest::newRow("60V with a code waiting")
        << "BB8"
        << "1=40"
        << "range 1" << QStringList()
        << "DAC1 would go to 43.9453V, above its limit of 40 V. Nothing was sent.";
    QTest::newRow("60V under the limits") << "BB8"
                                          << "1=50"
                                          << "range 1" << QStringList{"229", "231"} << "";
    QTest::newRow("Pulse LDAC, limit lowered under the waiting code")
        << "BB8"
        << "1=20"
        << "ldac 0" << QStringList()
        << "DAC1 would go to 21.9727V, above its limit of 20 V. Nothing was sent.";
    QTest::newRow("LDAC Low, the same") << "BB8"
                                        << "1=20"
                                        << "ldac 2" << QStringList()
                                        << "DAC1 would go to 21.9727V, above its limit of 20 V. "
                                           "Nothing was sent.";
    QTest::newRow("limit off: as without one") << ""
                                               << "2=off"
                                               << "write FFF 1" << QStringList{"221:0x2fff"} << "";
}

void TestControls::outputLimits() {
    QFETCH(QString, setup);
    QFETCH(QString, limit);
    QFETCH(QString, action);
    QFETCH(QStringList, requests);
    QFETCH(QString, box);
    auto write = [&](const QString& code, int button) {
        control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
        control<QLineEdit>(*window_, "txtInput", 0)->setText(code);
        control<OptionButton>(*window_, "InputSel", 0)->setChecked(true);
        control<QPushButton>(*window_, "cmdWrite", button)->click();
    };
    if (!setup.isEmpty()) {
        if (setup.endsWith(" low"))
            control<QPushButton>(*window_, "cmdLDAC", 2)->click();
        write(setup.section(' ', 0, 0), 0);
    }
    const QStringList channelVolts = limit.split('=');
    Harness::model().setLimit(channelVolts[0].toInt(),
                              channelVolts[1] == "off" ? -1 : channelVolts[1].toDouble());
    QCOMPARE(window_->windowTitle().endsWith(" (limits on)"), channelVolts[1] != "off");
    QStringList readings;
    for (QLabel* label : controls<QLabel>(*window_, "lblVoltage", 4))
        readings << label->text();
    const auto boxes = answers_->shown.size();
    const QStringList words = action.split(' ');
    QCOMPARE(requestsOf([&] {
                 if (words[0] == "write")
                     write(words[1], words[2].toInt());
                 else if (words[0] == "range")
                     control<OptionButton>(*window_, "optRANGE", words[1].toInt())->click();
                 else
                     control<QPushButton>(*window_, "cmdLDAC", words[1].toInt())->click();
             }),
             requests);
    QCOMPARE(answers_->shown.size(), boxes + (box.isEmpty() ? 0 : 1));
    if (box.isEmpty())
        return;
    QCOMPARE(answers_->shown.back().title, QString("Output Limit"));
    QCOMPARE(answers_->shown.back().text, box);
    QCOMPARE(answers_->shown.back().icon, QMessageBox::Warning);
    QStringList after;
    for (QLabel* label : controls<QLabel>(*window_, "lblVoltage", 4))
        after << label->text();
    QCOMPARE(after, readings);
    QVERIFY(control<OptionButton>(*window_, "optRANGE", 0)->isChecked());
    QCOMPARE(Harness::model().range(), 30);
}

// "Limits..." sets the part's limits, the title says so, and they are kept
// for the next run; an empty field turns one off. A limit lowered under what
// an output holds leaves it, and its reading turns to the caution colour.
void TestControls::limitsDialog() {
    control<QPushButton>(*window_, "cmdLDAC", 2)->click();
    control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
    control<QLineEdit>(*window_, "txtInput", 0)->setText("800");
    control<OptionButton>(*window_, "InputSel", 0)->setChecked(true);
    control<QPushButton>(*window_, "cmdWrite", 1)->click();
    auto* reading = control<QLabel>(*window_, "lblVoltage", 1);
    const QColor normal = reading->palette().color(QPalette::WindowText);
    QString fill = "12.5";
    answers_->onShow = [&](QDialog& dialog) {
        if (auto* limits = qobject_cast<frmLimits*>(&dialog)) {
            QCOMPARE(limits->field(2)->text(), QString());
            limits->field(2)->setText(fill);
        }
    };
    const int mark = SimBoard::get().callCount();
    control<QAction>(*window_, "mnuLimits")->trigger();
    QCOMPARE(Harness::model().limit(2), 12.5);
    QCOMPARE(Harness::model().limit(1), -1.0);
    QVERIFY(window_->windowTitle() == "QV7310 Quad High Voltage DAC (limits on)");
    QCOMPARE(QSettings().value("QV7310/limit2").toDouble(), 12.5);
    // 15 V held, 12.5 V allowed: the output stays, the reading says so.
    QCOMPARE(reading->text(), QString("15.0000V"));
    QCOMPARE(reading->palette().color(QPalette::WindowText), QColor(0xC0, 0, 0));
    QCOMPARE(SimBoard::get().callCount(), mark);
    answers_->onShow = [&](QDialog& dialog) {
        if (auto* limits = qobject_cast<frmLimits*>(&dialog)) {
            QCOMPARE(limits->field(2)->text(), QString("12.5"));
            limits->field(2)->clear();
        }
    };
    control<QAction>(*window_, "mnuLimits")->trigger();
    QCOMPARE(Harness::model().limit(2), -1.0);
    QVERIFY(!QSettings().contains("QV7310/limit2"));
    QCOMPARE(window_->windowTitle(), QString("QV7310 Quad High Voltage DAC"));
    QCOMPARE(reading->palette().color(QPalette::WindowText), normal);
}

namespace {

// The part's kept limits as a hand edit or a damaged disk leaves them. In
// the registry (Windows) the same texts are written as values.
void keepLimits(const QByteArray& limits) {
    QSettings settings;
    if (settings.fileName().startsWith(QLatin1String("\\HKEY"))) {
        settings.remove(QStringLiteral("QV7310"));
        for (const QByteArray& line : limits.split('\n')) {
            const auto equals = line.indexOf('=');
            if (equals > 0)
                settings.setValue("QV7310/" + QString::fromLatin1(line.left(equals)),
                                  QString::fromLatin1(line.mid(equals + 1)));
        }
        return;
    }
    QFile file(settings.fileName());
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[QV7310]\n" + limits);
}

const QString QuadTitle = "QV7310 Quad High Voltage DAC";

} // namespace

// A limit of this run (the command line's) that is not the kept one puts the
// note in the title, and an OK in "Limits..." that changes no field keeps
// nothing of it.
void TestControls::limitsOfTheRun() {
    keepLimits("limit2=20\n");
    start(1); // the next run reads them
    QCOMPARE(window_->windowTitle(), QuadTitle + " (limits on)");
    Harness::model().setRunLimit(2, -1);
    QCOMPARE(Harness::model().limit(2), -1.0);
    QCOMPARE(window_->windowTitle(), QuadTitle + " (limits on)");
    answers_->onShow = [&](QDialog& dialog) {
        if (auto* limits = qobject_cast<frmLimits*>(&dialog))
            QCOMPARE(limits->field(2)->text(), QString());
    };
    control<QAction>(*window_, "mnuLimits")->trigger();
    QCOMPARE(QSettings().value("QV7310/limit2").toString(), QString("20"));
    Harness::model().setRunLimit(2, 20);
    QCOMPARE(window_->windowTitle(), QuadTitle + " (limits on)");
    Harness::model().setRunLimit(2, 25);
    answers_->onShow = [&](QDialog& dialog) {
        if (auto* limits = qobject_cast<frmLimits*>(&dialog))
            QCOMPARE(limits->field(2)->text(), QString("25"));
    };
    control<QAction>(*window_, "mnuLimits")->trigger();
    QCOMPARE(QSettings().value("QV7310/limit2").toString(), QString("20"));
}

// A kept limit that cannot be read holds its channel at 0 V, and shows in
// "Limits..." as such until it is set.
void TestControls::unreadableKeptLimit() {
    keepLimits("limit1=15abc\n");
    start(1);
    QCOMPARE(Harness::model().limit(1), 0.0);
    QCOMPARE(window_->windowTitle(), QuadTitle + " (limits on)");
    answers_->onShow = [&](QDialog& dialog) {
        if (auto* limits = qobject_cast<frmLimits*>(&dialog)) {
            QCOMPARE(limits->field(1)->text(), QString("0"));
            const QString why = "The kept limit \"15abc\" could not be read: the output is held "
                                "at 0 V until its limit is set here.";
            QCOMPARE(limits->field(1)->toolTip(), why);
            QCOMPARE(limits->field(1)->accessibleDescription(), why);
            QStringList captions;
            for (const QLabel* label : limits->findChildren<QLabel*>())
                if (label->buddy())
                    captions << label->text();
            QCOMPARE(captions,
                     QStringList({"DAC1 (V), unreadable:", "DAC2 (V):", "DAC3 (V):", "DAC4 (V):"}));
        }
    };
    // Left as it is, the kept text stays and holds the channel at 0 V.
    control<QAction>(*window_, "mnuLimits")->trigger();
    QCOMPARE(QSettings().value("QV7310/limit1").toString(), QString("15abc"));
    QCOMPARE(Harness::model().limit(1), 0.0);
    answers_->onShow = [&](QDialog& dialog) {
        if (auto* limits = qobject_cast<frmLimits*>(&dialog))
            limits->field(1)->setText("25");
    };
    control<QAction>(*window_, "mnuLimits")->trigger();
    QCOMPARE(Harness::model().limit(1), 25.0);
    QCOMPARE(QSettings().value("QV7310/limit1").toString(), QString("25"));
}

void TestControls::lineCommands_data() {
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("ldacIsHigh"); // -1: unchanged
    // An LDAC command and a range change end with the refresh's warning
    // request (0x800 warns in neither range: 231).
    QTest::newRow("Pulse CLR") << "CLR" << 0 << QStringList{"219", "218"} << "0.0000V" << -1;
    QTest::newRow("CLR High") << "CLR" << 1 << QStringList{"218"} << "15.0000V" << -1;
    QTest::newRow("CLR Low") << "CLR" << 2 << QStringList{"219"} << "0.0000V" << -1;
    QTest::newRow("Pulse LDAC") << "LDAC" << 0 << QStringList{"222", "231"} << "15.0000V" << 1;
    QTest::newRow("LDAC High") << "LDAC" << 1 << QStringList{"226", "231"} << "15.0000V" << 1;
    QTest::newRow("LDAC Low") << "LDAC" << 2 << QStringList{"227", "231"} << "15.0000V" << 0;
    QTest::newRow("30V") << "RANGE" << 0 << QStringList{"228", "231"} << "15.0000V" << -1;
    QTest::newRow("60V") << "RANGE" << 1 << QStringList{"229", "231"} << "30.0000V" << -1;
}

void TestControls::lineCommands() {
    QFETCH(QString, group);
    QFETCH(int, index);
    QFETCH(QStringList, requests);
    QFETCH(QString, reading);
    QFETCH(int, ldacIsHigh);
    loadAll("800");
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 0)->text(), QString("15.0000V"));
    const bool ldacBefore = Harness::model().ldacIsHigh();
    const char* name = group == "CLR" ? "cmdCLR" : group == "LDAC" ? "cmdLDAC" : "optRANGE";
    QAbstractButton* button = control<QAbstractButton>(*window_, name, index);
    if (group == "RANGE" && index == 0)
        control<OptionButton>(*window_, "optRANGE", 1)->click();
    QCOMPARE(requestsOf([&] { QTest::mouseClick(button, Qt::LeftButton); }), requests);
    for (QLabel* label : controls<QLabel>(*window_, "lblVoltage", 4))
        QCOMPARE(label->text(), reading);
    QCOMPARE(Harness::model().ldacIsHigh(), ldacIsHigh < 0 ? ldacBefore : ldacIsHigh == 1);
    QCOMPARE(Harness::model().dacCode(2), 0x800);
}

void TestControls::clearThenLdacBringsVoltagesBack() {
    control<OptionButton>(*window_, "optRANGE", 1)->click();
    loadAll("FFF");
    QVERIFY(!control<PictureBox>(*window_, "HVLED", 1)->isHidden());
    QVERIFY(!control<PictureBox>(*window_, "Picture1")->isHidden());
    control<QPushButton>(*window_, "cmdCLR", 2)->click();
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 1)->text(), QString("0.0000V"));
    for (auto* lamp : controls<PictureBox>(*window_, "HVLED", 4))
        QVERIFY(lamp->isHidden());
    QVERIFY(
        !control<PictureBox>(*window_, "Picture1")->isHidden()); // a clear leaves the caution label
    // CLR held low holds the outputs at 0, whatever LDAC or a write does.
    control<QPushButton>(*window_, "cmdLDAC", 0)->click();
    control<QPushButton>(*window_, "cmdLDAC", 2)->click();
    control<QPushButton>(*window_, "cmdWrite", 1)->click();
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 1)->text(), QString("0.0000V"));
    QCOMPARE(SimBoard::get().state().dacRegister[1], 0);
    // Released, the outputs wait for the next LDAC.
    control<QPushButton>(*window_, "cmdCLR", 1)->click();
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 1)->text(), QString("0.0000V"));
    QCOMPARE(SimBoard::get().state().dacRegister[1], 0);
    control<QPushButton>(*window_, "cmdLDAC", 0)->click();
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 1)->text(), QString("59.9854V"));
    QVERIFY(!control<PictureBox>(*window_, "HVLED", 1)->isHidden());
    QCOMPARE(SimBoard::get().state().dacRegister[1], 0xFFF);
}

void TestControls::rangeChangeRescales_data() {
    QTest::addColumn<QString>("how");
    for (const char* how : {"mouse", "space", "press"})
        QTest::newRow(how) << how;
}

// A range change shows at once what the outputs now give; a code waiting
// behind LDAC high is no output and is not taken.
void TestControls::rangeChangeRescales() {
    QFETCH(QString, how);
    auto choose = [&how](OptionButton* button) {
        if (how == "mouse") {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (how == "space") {
            button->setFocus(Qt::TabFocusReason);
            QTest::keyClick(button, Qt::Key_Space);
        } else {
            QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        }
    };
    auto* reading = control<QLabel>(*window_, "lblVoltage", 0);
    auto* caution = control<PictureBox>(*window_, "Picture1");
    loadAll("FA0"); // LDAC low, then "Write to all DACs"
    QCOMPARE(reading->text(), QString("29.2969V"));
    const struct {
        int range;
        QStringList requests;
        QString reading;
        bool caution;
    } steps[] = {{1, {"229", "230"}, "58.5938V", true}, {0, {"228", "231"}, "29.2969V", false}};
    for (const auto& step : steps) {
        if (step.range == 0) {
            control<QPushButton>(*window_, "cmdLDAC", 1)->click();
            control<QLineEdit>(*window_, "txtInput", 4)->setText("800");
            control<OptionButton>(*window_, "InputSel", 4)->setChecked(true);
            QCOMPARE(requestsOf([&] { control<QPushButton>(*window_, "cmdWrite", 0)->click(); }),
                     QStringList{"221:0x1800"});
            QCOMPARE(reading->text(), QString("58.5938V"));
        }
        QCOMPARE(
            requestsOf([&] { choose(control<OptionButton>(*window_, "optRANGE", step.range)); }),
            step.requests);
        QCOMPARE(reading->text(), step.reading);
        QCOMPARE(!caution->isHidden(), step.caution);
        QCOMPARE(!control<PictureBox>(*window_, "HVLED", 0)->isHidden(), step.caution);
        const SimState board = SimBoard::get().state();
        QCOMPARE(board.lampOn, int(step.caution));
        QCOMPARE(board.dacRegister[0], 0xFA0);
    }
}

void TestControls::boardFollowsLineCommands() {
    // Power every channel up, then drive the lines and compare with the model.
    control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(1);
    for (int i : {1, 3, 4, 6})
        control<OptionButton>(*window_, "optPD1", i)->click();
    control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
    control<QPushButton>(*window_, "cmdLDAC", 1)->click(); // LDAC high: writes wait for a pulse
    control<QLineEdit>(*window_, "txtInput", 4)->setText("800");
    control<OptionButton>(*window_, "InputSel", 4)->setChecked(true);
    control<QPushButton>(*window_, "cmdWrite", 2)->click();
    SimState state = SimBoard::get().state();
    QVERIFY(state.ldacHigh);
    QCOMPARE(state.inputRegister[2], 0x800);
    QCOMPARE(state.output[2], 0.0);
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 2)->text(), QString("0.0000V"));
    control<QPushButton>(*window_, "cmdLDAC", 0)->click();
    state = SimBoard::get().state();
    QCOMPARE(state.output[2], 15.0);
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 2)->text(), QString("15.0000V"));
    control<OptionButton>(*window_, "optRANGE", 1)->click();
    control<QPushButton>(*window_, "cmdLDAC", 2)->click();
    state = SimBoard::get().state();
    QVERIFY(state.range60);
    QVERIFY(!state.ldacHigh);
    QCOMPARE(state.output[2], 30.0);
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 2)->text(), QString("30.0000V"));
    control<QPushButton>(*window_, "cmdCLR", 0)->click();
    state = SimBoard::get().state();
    QVERIFY(state.clrHigh);
    QCOMPARE(state.output[2], 0.0);
    QCOMPARE(control<QLabel>(*window_, "lblVoltage", 2)->text(), QString("0.0000V"));
    control<QPushButton>(*window_, "cmdCLR", 2)->click();
    QVERIFY(!SimBoard::get().state().clrHigh);
    // The status line under the form says the lines, once it has been drawn.
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    const auto* status = window_->findChild<QStatusBar*>("statusLine");
    const QString line = "Board: ready   \u00b7   LDAC low   \u00b7   CLR %1   \u00b7   Range 60 V";
    QTRY_COMPARE(status->currentMessage(), line.arg("low"));
    control<QPushButton>(*window_, "cmdCLR", 1)->click();
    QVERIFY(SimBoard::get().state().clrHigh);
    QCOMPARE(status->currentMessage(), line.arg("high"));
    QCOMPARE(status->accessibleDescription(), line.arg("high"));
    Harness::model().setRemoteClients(1);
    control<QAction>(*window_, "mnuReload")->trigger();
    QVERIFY(QRegularExpression(QRegularExpression::escape(line.arg("high")) +
                               "   \u00b7   remote: 1 client   \u00b7   Board reloaded "
                               "\\d\\d:\\d\\d:\\d\\d")
                .match(status->currentMessage())
                .hasMatch());
}

// Steps a person (or *RST) takes, then the readings and lamps that must show
// what the board's outputs hold. Steps: "ldac N" and "clr N" click the line
// button N (0 pulse, 1 high, 2 low), "range N" the range option, "write N
// CODE" loads CODE into box 4 and clicks write button N, "rst" is *RST.
void TestControls::sequencesFollowTheBoard_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<QString>("lamps");
    QTest::addColumn<QString>("highVoltage"); // the status line's note, empty for none
    QTest::newRow("LDAC High after a write made while LDAC was high keeps the reading")
        << QStringList{"ldac 1", "write 0 FFF", "ldac 1"}
        << QStringList{"15.0000V", "15.0000V", "15.0000V", "15.0000V"} << "0000"
        << "";
    QTest::newRow("after CLR low then high, a write with LDAC low brings back its channel only")
        << QStringList{"clr 2", "clr 1", "write 1 800"}
        << QStringList{"0.0000V", "15.0000V", "0.0000V", "0.0000V"} << "0000"
        << "";
    QTest::newRow("the lamps follow the outputs, not the codes written")
        << QStringList{"range 1", "ldac 1", "write 2 FFF", "write 3 F00"}
        << QStringList{"30.0000V", "30.0000V", "30.0000V", "30.0000V"} << "0000"
        << "";
    QTest::newRow("the lamps light once LDAC loads the codes")
        << QStringList{"range 1", "ldac 1", "write 2 FFF", "ldac 0"}
        << QStringList{"30.0000V", "30.0000V", "59.9854V", "30.0000V"} << "0010"
        << "High voltage: DAC3 59.99 V";
    QTest::newRow("*RST from CLR low, then Pulse LDAC")
        << QStringList{"range 1", "clr 2", "rst", "ldac 0"}
        << QStringList{"0.0000V", "0.0000V", "0.0000V", "0.0000V"} << "0000"
        << "";
    // Seen from the page in front, whichever it is.
    QTest::newRow("51.27 V on DAC1, the Control Register page in front")
        << QStringList{"range 1", "ldac 2", "write 0 DAC", "page 0"}
        << QStringList{"51.2695V", "30.0000V", "30.0000V", "30.0000V"} << "1000"
        << "High voltage: DAC1 51.27 V";
    QTest::newRow("two outputs above 50 V, the highest first")
        << QStringList{"range 1", "ldac 2", "write 0 DAC", "write 2 FFF", "page 0"}
        << QStringList{"51.2695V", "30.0000V", "59.9854V", "30.0000V"} << "1010"
        << "High voltage: DAC3 59.99 V, DAC1 51.27 V";
    QTest::newRow("51.27 V on DAC1, then the output drops")
        << QStringList{"range 1", "ldac 2", "write 0 DAC", "page 0", "write 0 800"}
        << QStringList{"30.0000V", "30.0000V", "30.0000V", "30.0000V"} << "0000"
        << "";
}

void TestControls::sequencesFollowTheBoard() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, readings);
    QFETCH(QString, lamps);
    QFETCH(QString, highVoltage);
    // Every channel powered up, so that each output is its DAC register's.
    control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(1);
    for (int i : {1, 3, 4, 6})
        control<OptionButton>(*window_, "optPD1", i)->click();
    loadAll("800");
    for (const QString& step : steps) {
        const QStringList word = step.split(' ');
        if (word[0] == "ldac" || word[0] == "clr") {
            control<QPushButton>(*window_, word[0] == "ldac" ? "cmdLDAC" : "cmdCLR",
                                 word[1].toInt())
                ->click();
        } else if (word[0] == "range") {
            control<OptionButton>(*window_, "optRANGE", word[1].toInt())->click();
        } else if (word[0] == "page") {
            control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(word[1].toInt());
        } else if (word[0] == "write") {
            control<QLineEdit>(*window_, "txtInput", 4)->setText(word[2]);
            control<OptionButton>(*window_, "InputSel", 4)->setChecked(true);
            control<QPushButton>(*window_, "cmdWrite", word[1].toInt())->click();
        } else {
            Harness::model().reset();
        }
    }
    const SimState board = SimBoard::get().state();
    for (int i = 0; i < 4; ++i) {
        const QString shown = control<QLabel>(*window_, "lblVoltage", i)->text();
        QCOMPARE(shown, readings[i]);
        QCOMPARE(shown, QString::number(board.output[i], 'f', 4) + "V");
        QCOMPARE(!control<PictureBox>(*window_, "HVLED", i)->isHidden(), lamps[i] == '1');
    }
    QCOMPARE(board.lampOn, int(lamps.contains('1')));
    // The status line under the form, once it has been drawn.
    const auto* note = window_->findChild<QLabel*>("highVoltage");
    QTRY_COMPARE(note && note->isVisible() ? note->text() : QString(), highVoltage);
    if (!highVoltage.isEmpty())
        QCOMPARE(note->palette().color(note->backgroundRole()), QColor(0xFF, 0xD4, 0x00));
}

void TestControls::enterClicksFocusedButton_data() {
    QTest::addColumn<QString>("window"); // the main window or one of its dialogs
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<int>("quad"); // the part dialog's choice; -1: not asked
    const int enter = Qt::Key_Enter, ret = Qt::Key_Return;
    // InputSel(0) holds 00 and LDAC is high: a write sends its word alone.
    QTest::newRow("Load DAC2, Enter") << "QV7310"
                                      << "cmdWrite(1)" << enter << QStringList{"221:0x2000"} << -1;
    QTest::newRow("Write to all DACs, Return")
        << "QV7310"
        << "cmdWrite(4)" << ret << QStringList{"221:0x5000"} << -1;
    QTest::newRow("Pulse LDAC, Return") << "QV7310"
                                        << "cmdLDAC(0)" << ret << QStringList{"222", "231"} << -1;
    QTest::newRow("LDAC Low, Enter") << "QV7310"
                                     << "cmdLDAC(2)" << enter << QStringList{"227", "231"} << -1;
    QTest::newRow("Pulse CLR, Enter") << "QV7310"
                                      << "cmdCLR(0)" << enter << QStringList{"219", "218"} << -1;
    QTest::newRow("CLR High, Return") << "QV7310"
                                      << "cmdCLR(1)" << ret << QStringList{"218"} << -1;
    QTest::newRow("QV7301, Return") << "frmPartSelect"
                                    << "cmdPartSelect(0)" << ret << QStringList() << 0;
    QTest::newRow("QV7310, Enter") << "frmPartSelect"
                                   << "cmdPartSelect(1)" << enter << QStringList() << 1;
    QTest::newRow("credits, Return") << "created"
                                     << "Command1" << ret << QStringList() << -1;
    QTest::newRow("credits, Enter") << "created"
                                    << "Command1" << enter << QStringList() << -1;
}

void TestControls::enterClicksFocusedButton() {
    QFETCH(QString, window);
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(QStringList, requests);
    QFETCH(int, quad);
    control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
    std::unique_ptr<QDialog> dialog;
    if (window == "frmPartSelect")
        dialog = std::make_unique<frmPartSelect>(window_.get());
    else if (window == "created")
        dialog = std::make_unique<created>(window_.get());
    // Focuses the button in the active window and presses the key on it; a
    // dialog the key left open is closed without a choice.
    QString focused;
    auto press = [&] {
        QWidget* active = QApplication::activeWindow();
        QPushButton* target = active ? active->findChild<QPushButton*>(button) : nullptr;
        if (target) {
            target->setFocus();
            // A dialog's window takes a moment to become the active one.
            if (QTest::qWaitFor([target] { return target->hasFocus(); }, 2000))
                focused = button;
            QTest::keyClick(target, Qt::Key(key));
        }
        if (dialog && dialog->isVisible())
            dialog->reject();
    };
    // A dialog runs modally, as the panel shows it, until its button closes it.
    int result = -1;
    const QStringList sent = requestsOf([&] {
        if (!dialog)
            return press();
        answers_.reset();
        QTimer::singleShot(0, press);
        result = dialog->exec();
    });
    QCOMPARE(focused, button);
    QCOMPARE(sent, requests);
    // The part dialog returns the part chosen.
    if (quad >= 0)
        QCOMPARE(static_cast<frmPartSelect&>(*dialog).part(), std::optional<bool>(quad == 1));
    if (dialog)
        QCOMPARE(result, int(QDialog::Accepted));
}

void TestControls::controlWord_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("word");
    QTest::addColumn<QStringList>("toolTips");
    const QString down = "DAC is powered down", up = "DAC is powered up";
    QTest::newRow("first click: DAC 2 up")
        << QList<int>{3} << 0x7008 << QStringList{down, up, down, down};
    QTest::newRow("all four up") << QList<int>{1, 3, 4, 6} << 0x703C << QStringList{up, up, up, up};
    QTest::newRow("three-state, all down")
        << QList<int>{13} << 0x7080 << QStringList{down, down, down, down};
    QTest::newRow("only DAC 3 down")
        << QList<int>{1, 3, 4, 6, 5} << 0x702C << QStringList{up, up, down, up};
    QTest::newRow("up, then down again")
        << QList<int>{1, 0} << 0x7000 << QStringList{down, down, down, down};
    QTest::newRow("selected button clicked again")
        << QList<int>{0} << 0x7000 << QStringList{down, down, down, down};
    QTest::newRow("three-state then resistor")
        << QList<int>{13, 12, 6} << 0x7020 << QStringList{down, down, down, up};
}

void TestControls::controlWord() {
    QFETCH(QList<int>, clicks);
    QFETCH(int, word);
    QFETCH(QStringList, toolTips);
    QVERIFY(control<QPushButton>(*window_, "cmdWrite", 4)->toolTip().isEmpty());
    int mark = 0;
    for (int button : clicks) {
        mark = SimBoard::get().callCount();
        QTest::mouseClick(control<OptionButton>(*window_, "optPD1", button), Qt::LeftButton);
    }
    // Each click sends one word: the whole register rebuilt.
    const auto calls = SimBoard::get().callsSince(mark);
    QCOMPARE(calls.size(), std::size_t(1));
    QCOMPARE(calls[0].request, 221);
    QCOMPARE(calls[0].value, word);
    QCOMPARE(Harness::model().controlBits(), word & 0xFFF);
    QCOMPARE(Harness::model().registerAddress(), 0x7000);
    const QString echo = QString("0x%1").arg(word, 4, 16).toUpper().replace("0X", "0x");
    QCOMPARE(control<QLabel>(*window_, "Label1", 0)->text(), echo);
    QCOMPARE(control<QLabel>(*window_, "Label1", 1)->text(), echo);
    for (int k = 0; k < 4; ++k)
        QCOMPARE(control<QPushButton>(*window_, "cmdWrite", k)->toolTip(), toolTips[k]);
    QVERIFY(control<QPushButton>(*window_, "cmdWrite", 4)->toolTip().isEmpty());
}

void TestControls::controlWordReachesBoard() {
    QTest::mouseClick(control<OptionButton>(*window_, "optPD1", 3), Qt::LeftButton);
    QCOMPARE(SimBoard::get().state().controlRegister, 0x008);
    QTest::mouseClick(control<OptionButton>(*window_, "optPD1", 13), Qt::LeftButton);
    QCOMPARE(SimBoard::get().state().controlRegister, 0x088);
}

// Every way a person changes a selection runs the button's handler once:
// mouse, Space, an arrow key, and a screen reader's Toggle and Press.
void TestControls::optionButtonChange_data() {
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("requests");
    const struct {
        const char* group;
        int index;
        QStringList requests;
    } targets[] = {{"optRANGE", 1, {"229", "231"}}, {"optPD1", 3, {"221:0x7008"}}};
    for (const auto& t : targets)
        for (const char* how : {"mouse", "space", "arrow", "toggle", "press"})
            QTest::addRow("%s(%d) %s", t.group, t.index, how)
                << t.group << t.index << how << t.requests;
    // Already selected: Toggle changes nothing, Press is a click like the mouse's.
    QTest::newRow("optRANGE(0) toggle, selected") << "optRANGE" << 0 << "toggle" << QStringList();
    QTest::newRow("optRANGE(0) press, selected")
        << "optRANGE" << 0 << "press" << QStringList{"228", "231"};
    QTest::newRow("optPD1(2) toggle, selected") << "optPD1" << 2 << "toggle" << QStringList();
}

void TestControls::optionButtonChange() {
    QFETCH(QString, group);
    QFETCH(int, index);
    QFETCH(QString, how);
    QFETCH(QStringList, requests);
    const bool range = group == "optRANGE";
    control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(range ? 0 : 1);
    auto* button = control<OptionButton>(*window_, qPrintable(group), index);
    auto* selected = control<OptionButton>(*window_, qPrintable(group), range ? 0 : 2);
    QVERIFY(selected->isChecked());
    const int mark = SimBoard::get().callCount();
    if (how == "mouse") {
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (how == "space") {
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key_Space);
    } else if (how == "arrow") {
        selected->setFocus(Qt::TabFocusReason);
        QTest::keyClick(selected, Qt::Key_Right);
    } else {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::RadioButton);
        QCOMPARE(accessible->text(QAccessible::Name), button->text());
        QVERIFY(accessible->state().checkable);
        QAccessibleActionInterface* actions = accessible->actionInterface();
        QVERIFY(actions);
        const QString action = how == "toggle" ? QAccessibleActionInterface::toggleAction()
                                               : QAccessibleActionInterface::pressAction();
        QVERIFY(actions->actionNames().contains(action));
        actions->doAction(action);
    }
    QTRY_COMPARE(Harness::describe(SimBoard::get().callsSince(mark)), requests);
    QTest::qWait(150); // nothing more follows
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), requests);
    QVERIFY(button->isChecked());
    if (range)
        QCOMPARE(SimBoard::get().state().range60, index);
    else if (!requests.isEmpty())
        QCOMPARE(SimBoard::get().state().controlRegister, requests[0].right(3).toInt(nullptr, 16));
    QVERIFY(QAccessible::queryAccessibleInterface(button)->state().checked);
}

void TestControls::singlePartToolTips() {
    start(0);
    QTest::mouseClick(control<OptionButton>(*window_, "optPD1", 1), Qt::LeftButton);
    QCOMPARE(control<QLabel>(*window_, "Label1", 0)->text(), QString("0x7004"));
    // The one visible button, "Load DAC", tells of "DAC 1", not of the
    // hidden "DAC 3" frame at its position.
    QCOMPARE(control<QPushButton>(*window_, "cmdWrite", 2)->toolTip(),
             QString("DAC is powered up"));
    QTest::mouseClick(control<OptionButton>(*window_, "optPD1", 0), Qt::LeftButton);
    QCOMPARE(control<QPushButton>(*window_, "cmdWrite", 2)->toolTip(),
             QString("DAC is powered down"));
    QVERIFY(control<QGroupBox>(*window_, "Frame12")->isHidden());
}

void TestControls::versionBox() {
    const auto before = Harness::model().dacCode(0);
    const QStringList requests =
        requestsOf([&] { control<QAction>(*window_, "mnuAbout")->trigger(); });
    QVERIFY(requests.isEmpty());
    QCOMPARE(answers_->shown.back().className, QString("QMessageBox"));
    QCOMPARE(answers_->shown.back().title, QString("QV7301/QV7310"));
    QCOMPARE(answers_->shown.back().text, QString("Software Version 1.04"));
    QCOMPARE(answers_->shown.back().icon, QMessageBox::Information);
    QCOMPARE(Harness::model().dacCode(0), before);
}

void TestControls::creditsSequence_data() {
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<int>("opened");
    QTest::addColumn<int>("stepAfter");
    QTest::newRow("2 3 4") << "234" << 1 << 0;
    QTest::newRow("2 2 3 4") << "2234" << 0 << 0;
    QTest::newRow("2 4 3 4") << "2434" << 1 << 0;
    QTest::newRow("3 4") << "34" << 0 << 0;
    QTest::newRow("2 3") << "23" << 0 << 2;
    QTest::newRow("2 3 3") << "233" << 0 << 0;
    QTest::newRow("2 3 2") << "232" << 0 << 0;
    QTest::newRow("twice") << "234234" << 2 << 0;
}

void TestControls::creditsSequence() {
    QFETCH(QString, clicks);
    QFETCH(int, opened);
    QFETCH(int, stepAfter);
    // Each area is clicked where the sheet's corner shows through it.
    const QRect sheet = control<TabbedSheet>(*window_, "SSTab1")->geometry();
    const QStringList requests = requestsOf([&] {
        for (QChar c : clicks) {
            PictureBox* area = control<PictureBox>(*window_, qPrintable(QString("Picture") + c));
            const QPoint corner = c == '2'   ? sheet.bottomLeft()
                                  : c == '3' ? sheet.bottomRight()
                                             : sheet.topRight();
            QVERIFY(area->geometry().contains(corner));
            QTest::mouseClick(area, Qt::LeftButton, {}, corner - area->pos());
        }
    });
    QCOMPARE(answers_->count("created"), opened);
    QCOMPARE(int(QV7310TestSeam::creditsStep(*window_)), stepAfter);
    QVERIFY(requests.isEmpty());
}

void TestControls::sheetShowsUnderClickAreas() {
    // Picture3 lies over the sheet's bottom-right corner, where the serial-word
    // box ends: the window shows there what the sheet draws by itself.
    TabbedSheet* sheet = control<TabbedSheet>(*window_, "SSTab1");
    const QRect overlap = control<PictureBox>(*window_, "Picture3")->geometry() & sheet->geometry();
    QVERIFY(!overlap.isEmpty());
    const QImage own = sheet->grab(overlap.translated(-sheet->pos())).toImage();
    QCOMPARE(window_->centralWidget()->grab(overlap).toImage(), own);
    // Which is the corner of the sheet's border and of the box's.
    const QRgb border = sheet->page(1)->palette().color(QPalette::Mid).rgb();
    int borderPixels = 0, boxPixels = 0;
    for (int y = 0; y < own.height(); ++y)
        for (int x = 0; x < own.width(); ++x) {
            borderPixels += own.pixel(x, y) == border;
            boxPixels += own.pixel(x, y) == qRgb(0x80, 0x80, 0x80);
        }
    QVERIFY2(borderPixels >= overlap.width() + overlap.height() - 4 && boxPixels >= 4,
             qPrintable(QString("%1 border and %2 box pixels").arg(borderPixels).arg(boxPixels)));
}

void TestControls::bordersAreOnePixel() {
    // A frame: grey, then white, one pixel each, on the left and on the right;
    // the button face inside.
    QWidget* frame = control<QGroupBox>(*window_, "Frame9");
    const QImage f = frame->grab().toImage();
    const int y = f.height() / 2, w = f.width();
    const QPalette& p = frame->palette();
    const QList<QRgb> frameEdges{f.pixel(0, y), f.pixel(1, y), f.pixel(2, y), f.pixel(w - 2, y),
                                 f.pixel(w - 1, y)};
    const QList<QRgb> etched{p.color(QPalette::Mid).rgb(), p.color(QPalette::Light).rgb(),
                             p.color(QPalette::Window).rgb(), p.color(QPalette::Mid).rgb(),
                             p.color(QPalette::Light).rgb()};
    QCOMPARE(frameEdges, etched);
    // A voltage reading: one grey pixel on every side, its face inside.
    QWidget* reading = control<QLabel>(*window_, "lblVoltage", 0);
    const QImage r = reading->grab().toImage();
    const QRgb grey = qRgb(0x80, 0x80, 0x80),
               face = reading->palette().color(QPalette::Window).rgb();
    const QList<QRgb> readingEdges{r.pixel(0, 0),
                                   r.pixel(r.width() - 1, r.height() - 1),
                                   r.pixel(1, 1),
                                   r.pixel(r.width() - 2, r.height() - 2),
                                   r.pixel(0, r.height() / 2),
                                   r.pixel(r.width() / 2, 0)};
    QCOMPARE(readingEdges, (QList<QRgb>{grey, grey, face, face, grey, grey}));
}

void TestControls::creditsDialogForReal() {
    // The real modal dialog, closed with its own button.
    answers_.reset(); // back to the real dialogs
    QString title = "unset";
    bool bold = false, sizable = false, focused = false;
    QSize picture;
    QString button;
    QString place = "not seen";
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<created*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        const bool active = QTest::qWaitForWindowActive(dialog);
        focused = active;
        place = Harness::centringFault(*dialog);
        title = dialog->windowTitle();
        bold = dialog->font().bold();
        picture = dialog->Picture1->pixmap().size();
        button = dialog->Command1->text();
        sizable = dialog->minimumSize() != dialog->maximumSize();
        focused =
            focused &&
            QTest::qWaitFor([&] { return QApplication::focusWidget() == dialog->Command1; }, 2000);
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    });
    QV7310TestSeam::Picture2_Click(*window_);
    QV7310TestSeam::Picture3_Click(*window_);
    QV7310TestSeam::Picture4_Click(*window_);
    QVERIFY(title.isEmpty());
    QVERIFY(bold);
    QCOMPARE(picture, QSize(320, 200));
    QCOMPARE(button, QString("Back to the Real World..."));
    QVERIFY(sizable);
    QVERIFY(focused);
    QCOMPARE(place, QString()); // centred on its frame
    QCOMPARE(int(QV7310TestSeam::creditsStep(*window_)), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
