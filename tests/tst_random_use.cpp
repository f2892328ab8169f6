// Thousands of random steps against the real window and the simulated board,
// with the event loop running between them as in real use (repaints, focus
// changes): mouse, keyboard and screen-reader actions, remote commands, and
// board requests made to fail now and then. After every step, what the panel
// reports must be what the board does: each reading and lamp against its
// channel's DAC register at the board's range, the caution label against the
// board's warning lamp, the range, LDAC and control-register state against
// the lines and the register, the serial-word echo against the last word, and
// the remote queries against all of them. Only while the board is not ready
// does the comparison pause, until the next good reload.
// The seed is printed; set QV_RANDOM_SEED to replay a run, QV_RANDOM_EVENTS
// to change its length.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/BoardStatus.h"
#include "model/Codes.h"
#include "model/Converter.h"
#include "model/PanelModel.h"
#include "panel/OptionButton.h"
#include "panel/PictureBox.h"
#include "panel/QV7310.h"
#include "panel/TabbedSheet.h"
#include "protocol/Declare.h"
#include "remote/ScpiExecutor.h"
#include "simboard/SimboardClient.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using Harness::control;
using Harness::controls;
using Harness::DialogAnswerer;
using Harness::SimBoard;

namespace {

// The control-register bit each optPD1 button stands for when selected.
struct ShownBit {
    int button;
    int bit;
};
constexpr ShownBit ShownBits[] = {{1, 0x04}, {3, 0x08},  {4, 0x10}, {6, 0x20},
                                  {8, 0x40}, {11, 0x02}, {13, 0x80}};

class RandomSession {
public:
    RandomSession(QV7310& window, quint32 seed, const QString& bridgeTrace)
        : w_(window), rng_(seed), executor_(Harness::model()), bridgeTrace_(bridgeTrace) {}

    // Runs one step; returns a description for failure messages.
    QString step();
    // What the panel reports and the board does, where they differ; empty
    // when they agree or while the board is not ready.
    QString compare();
    // Outputs above their channel's limit, as the board has them.
    QString overLimit();
    int comparisons() const { return comparisons_; }

private:
    QString typeText();
    QString operateOption();
    QString clickSomething(const QList<QWidget*>& targets);
    QString remoteCommand();
    QString injectFault();
    QWidget* randomVisible(const QList<QWidget*>& candidates);
    int channels() const { return Harness::model().partIsQuad() ? 4 : 1; }
    // The panel's slot (label, lamp) for board channel k.
    int slot(int k) const { return Harness::model().partIsQuad() ? k : 2; }
    QString query(const QString& line);
    QString replayBridgeTrace();

    QV7310& w_;
    QRandomGenerator rng_;
    ScpiExecutor executor_;
    Scpi::Session errors_;
    int comparisons_ = 0;
    // Through the board bridge, the board lives in the bridge's process: its
    // trace is replayed into the simulated board here, which the panel is
    // then compared with. Empty when the panel loads the library itself.
    QString bridgeTrace_;
    qint64 replayed_ = 0;
    // The bridge was killed and the panel has made no call since.
    bool killedUnseen_ = false;
};

QString RandomSession::step() {
    // A failing board is mended and reloaded after a few steps, on average.
    if (w_.boardStatus()->state() != BoardStatus::State::Ready && rng_.bounded(8) == 0)
        return injectFault();
    const int kind = rng_.bounded(100);
    if (kind < 25)
        return typeText();
    if (kind < 31) {
        const int page = rng_.bounded(2);
        QTabBar* tabs = control<TabbedSheet>(w_, "SSTab1")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        return QStringLiteral("click tab %1").arg(page);
    }
    if (kind < 34) {
        const int item = rng_.bounded(4);
        QAction* actions[] = {control<QAction>(w_, "mnuReload"), control<QAction>(w_, "mnuAbout"),
                              control<QAction>(w_, "cmdDACoff"),
                              control<QAction>(w_, "mnuDontRESET")};
        actions[item]->trigger();
        return QStringLiteral("menu %1").arg(actions[item]->text());
    }
    if (kind < 36) {
        PictureBox* areas[] = {control<PictureBox>(w_, "Picture2"),
                               control<PictureBox>(w_, "Picture3"),
                               control<PictureBox>(w_, "Picture4")};
        const int area = rng_.bounded(3);
        QTest::mouseClick(areas[area], Qt::LeftButton, {}, QPoint(3, 3));
        return QStringLiteral("click Picture%1").arg(area + 2);
    }
    if (kind < 44)
        return operateOption();
    if (kind < 58) {
        // Writes and the lines, the heart of a bench session.
        if (control<TabbedSheet>(w_, "SSTab1")->currentIndex() != 0)
            control<TabbedSheet>(w_, "SSTab1")->setCurrentIndex(0);
        QList<QWidget*> commands;
        for (const char* name : {"cmdWrite", "cmdLDAC", "cmdCLR", "optRANGE"})
            for (QAbstractButton* button : controls<QAbstractButton>(w_, name,
                                                                     name[3] == 'W'   ? 5
                                                                     : name[0] == 'o' ? 2
                                                                                      : 3))
                commands << button;
        return clickSomething(commands);
    }
    if (kind < 73)
        return remoteCommand();
    if (kind < 75)
        return injectFault();
    QList<QWidget*> targets;
    for (QWidget* widget : w_.findChildren<QAbstractButton*>())
        targets << widget;
    for (QLineEdit* box : controls<QLineEdit>(w_, "txtInput", 10))
        targets << box;
    return clickSomething(targets);
}

QString RandomSession::typeText() {
    QList<QWidget*> boxes;
    for (QLineEdit* box : controls<QLineEdit>(w_, "txtInput", 10))
        boxes << box;
    // A person mends a refused entry first, most of the time.
    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!box || !box->text().isEmpty() || rng_.bounded(10) < 3)
        box = static_cast<QLineEdit*>(randomVisible(boxes));
    if (!box)
        return QStringLiteral("no box visible");
    QString text;
    if (rng_.bounded(4) != 0) {
        // High codes often, so the 60 V warning comes and goes.
        text = QString::number(rng_.bounded(2) ? rng_.bounded(4096) : 3200 + rng_.bounded(896), 16);
        if (rng_.bounded(2))
            text = text.toUpper();
    } else {
        static const QString alphabet = QStringLiteral("0123456789abcdefABCDEF0123456789 xG-+.&h");
        const int length = rng_.bounded(rng_.bounded(10) == 0 ? 12 : 5);
        for (int i = 0; i < length; ++i)
            text += alphabet[rng_.bounded(alphabet.size())];
    }
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, text);
    const int finish = rng_.bounded(3);
    if (finish == 0)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    else if (finish == 1 && QApplication::focusWidget())
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return QStringLiteral("type \"%1\" into %2 + %3")
        .arg(text, box->objectName(),
             finish == 0   ? "Enter"
             : finish == 1 ? "Tab"
                           : "nothing");
}

// An option button changed without the mouse: Space or an arrow key on the
// focused button, or a screen reader's Press or Toggle.
QString RandomSession::operateOption() {
    QList<QWidget*> buttons;
    for (OptionButton* button : w_.findChildren<OptionButton*>())
        buttons << button;
    auto* button = static_cast<OptionButton*>(randomVisible(buttons));
    if (!button)
        return QStringLiteral("no option button visible");
    const int way = rng_.bounded(4);
    if (way < 2) {
        // Leaving a box validates it, which may keep the focus there.
        button->setFocus(Qt::TabFocusReason);
        static const Qt::Key arrows[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
        const Qt::Key key = way == 0 ? Qt::Key_Space : arrows[rng_.bounded(4)];
        if (QWidget* focus = QApplication::focusWidget())
            QTest::keyClick(focus, key);
        return QStringLiteral("key %1 on %2").arg(int(key), 0, 16).arg(button->objectName());
    }
    QAccessibleActionInterface* actions =
        QAccessible::queryAccessibleInterface(button)->actionInterface();
    const QString action = way == 2 ? QAccessibleActionInterface::pressAction()
                                    : QAccessibleActionInterface::toggleAction();
    actions->doAction(action);
    return QStringLiteral("accessible %1 on %2").arg(action, button->objectName());
}

QString RandomSession::clickSomething(const QList<QWidget*>& targets) {
    QWidget* target = randomVisible(targets);
    if (!target)
        return QStringLiteral("nothing to click");
    QTest::mouseClick(target, Qt::LeftButton);
    return QStringLiteral("click %1").arg(target->objectName());
}

QString RandomSession::remoteCommand() {
    const int n = 1 + rng_.bounded(channels());
    const int code = rng_.bounded(2) ? rng_.bounded(4096) : 3200 + rng_.bounded(896);
    QString line;
    switch (rng_.bounded(13)) {
    case 0:
        line = rng_.bounded(2) ? QStringLiteral("RANG 30") : QStringLiteral("RANGE 60");
        break;
    case 1:
    case 2:
        line = QStringLiteral("DAC%1:CODE %2").arg(n).arg(code);
        break;
    case 3:
        line = QStringLiteral("DAC%1:VOLT %2").arg(n).arg(rng_.bounded(60.0), 0, 'f', 3);
        break;
    case 4:
        line = Harness::model().partIsQuad() ? QStringLiteral("DAC:ALL:CODE #H%1").arg(code, 0, 16)
                                             : QStringLiteral("DAC1:CODE %1").arg(code);
        break;
    case 5:
        line = QStringLiteral("LDAC:PULS");
        break;
    case 6:
        line = rng_.bounded(2) ? QStringLiteral("LDAC HIGH") : QStringLiteral("LDAC LOW");
        break;
    case 7:
        line = QStringLiteral("CLR:PULS");
        break;
    case 8:
        line = rng_.bounded(2) ? QStringLiteral("CLR HIGH") : QStringLiteral("CLR LOW");
        break;
    case 9:
        line = QStringLiteral("DAC%1:POW %2")
                   .arg(n)
                   .arg(QStringList{"ON", "OFF", "1", "0", "0.4", "-2.5"}[rng_.bounded(6)]);
        break;
    case 10:
        line = rng_.bounded(2) ? QStringLiteral("PDM TRIS") : QStringLiteral("PDM GND");
        break;
    case 11:
        line = rng_.bounded(3) ? QStringLiteral("RANG 60;DAC%1:CODE %2;LDAC:PULS").arg(n).arg(code)
                               : QStringLiteral("*RST");
        break;
    default:
        line = QStringLiteral("BOAR:REL");
        break;
    }
    executor_.runLine(line.toStdString(), errors_);
    errors_.clear();
    return QStringLiteral("remote %1").arg(line);
}

// The next board request, or one soon after, fails; or a failing board comes
// back and is reloaded.
QString RandomSession::injectFault() {
    if (!bridgeTrace_.isEmpty()) {
        if (w_.boardStatus()->state() != BoardStatus::State::Ready) {
            control<QAction>(w_, "mnuReload")->trigger();
            return QStringLiteral("menu Reload USB, a new bridge");
        }
        // Its board goes with it: the next bridge starts one from power-on.
        replayBridgeTrace();
        const qint64 bridge = Harness::bridgeProcess();
        if (bridge > 0)
            ::kill(pid_t(bridge), SIGKILL);
        SimBoard::get().reset();
        killedUnseen_ = true;
        return QStringLiteral("bridge %1 killed").arg(bridge);
    }
    if (w_.boardStatus()->state() == BoardStatus::State::Ready) {
        const int calls = rng_.bounded(3);
        SimBoard::get().failAfter(calls, -7);
        return QStringLiteral("board fails after %1 calls").arg(calls);
    }
    SimBoard::get().clearFaults();
    if (rng_.bounded(2)) {
        control<QAction>(w_, "mnuReload")->trigger();
        return QStringLiteral("board mended, menu Reload USB");
    }
    executor_.runLine("BOAR:REL", errors_);
    errors_.clear();
    return QStringLiteral("board mended, remote BOAR:REL");
}

QWidget* RandomSession::randomVisible(const QList<QWidget*>& candidates) {
    QList<QWidget*> visible;
    for (QWidget* widget : candidates)
        if (widget->isVisible() && widget->isEnabled())
            visible << widget;
    return visible.isEmpty() ? nullptr : visible[rng_.bounded(int(visible.size()))];
}

QString RandomSession::query(const QString& line) {
    const QString reply = QString::fromUtf8(executor_.runLine(line.toStdString(), errors_));
    errors_.clear();
    return reply;
}

// Feeds the calls the bridge's board traced since the last replay to the
// simulated board here, which must answer each with the same status.
QString RandomSession::replayBridgeTrace() {
    QFile file(bridgeTrace_);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(replayed_))
        return {};
    const auto& board = SimboardClient::besideExecutable();
    const QByteArray saved = qgetenv("BOARDPORT_TRACE");
    qunsetenv("BOARDPORT_TRACE"); // the replay is not traced again
    QStringList faults;
    // The bridge traces a call before it answers it: every line is whole.
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        replayed_ += line.size();
        const QList<QByteArray> words = line.trimmed().split(' ');
        int status = 0;
        if (words.value(0) == "LoadFirmWare") {
            QByteArray path = line.mid(13, line.lastIndexOf(" = ") - 13);
            status = board.loadFirmWare(path.data());
        } else if (words.size() == 9) {
            char buffer = char(words[6].toInt());
            status =
                board.vendorIORequest(short(words[1].toInt()), words[2].toInt(), words[3].toInt(),
                                      short(words[4].toInt()), short(words[5].toInt()), &buffer);
        }
        if (status != words.last().toInt())
            faults << QStringLiteral("replayed %1 returned %2")
                          .arg(QString(line.trimmed()))
                          .arg(status);
    }
    qputenv("BOARDPORT_TRACE", saved);
    return faults.join(QStringLiteral("; "));
}

QString RandomSession::overLimit() {
    const SimState board = SimBoard::get().state();
    QStringList faults;
    for (int k = 0; k < channels(); ++k) {
        const double limit = Harness::model().limit(k + 1);
        const double volts = board.dacRegister[k] * (board.range60 ? 60.0 : 30.0) / 4096.0;
        if (limit >= 0 && volts > limit)
            faults << QStringLiteral("DAC%1 at %2 V, above its limit of %3 V")
                          .arg(k + 1)
                          .arg(volts)
                          .arg(limit);
    }
    return faults.join(QStringLiteral("; "));
}

QString RandomSession::compare() {
    const QString replay = bridgeTrace_.isEmpty() ? QString() : replayBridgeTrace();
    if (!replay.isEmpty())
        return replay;
    if (w_.boardStatus()->state() != BoardStatus::State::Ready)
        killedUnseen_ = false;
    if (w_.boardStatus()->state() != BoardStatus::State::Ready || killedUnseen_)
        return {};
    ++comparisons_;
    const SimState board = SimBoard::get().state();
    QStringList faults;
    auto expect = [&faults](const QString& what, const QString& panel, const QString& onBoard) {
        if (panel != onBoard)
            faults << QStringLiteral("%1: panel %2, board %3").arg(what, panel, onBoard);
    };
    const QString range = board.range60 ? QStringLiteral("60") : QStringLiteral("30");
    expect("range buttons",
           control<OptionButton>(w_, "optRANGE", 1)->isChecked() ? QStringLiteral("60")
                                                                 : QStringLiteral("30"),
           range);
    expect("RANG?", query("RANG?"), range);
    const QString ldac = board.ldacHigh ? QStringLiteral("HIGH") : QStringLiteral("LOW");
    expect("LDAC?", query("LDAC?"), ldac);
    int shownBits = 0;
    for (const ShownBit& bit : ShownBits)
        if (control<OptionButton>(w_, "optPD1", bit.button)->isChecked())
            shownBits |= bit.bit;
    expect("control-register buttons", QString::number(shownBits, 16),
           QString::number(board.controlRegister, 16));
    expect("caution label",
           control<PictureBox>(w_, "Picture1")->isHidden() ? QStringLiteral("hidden")
                                                           : QStringLiteral("shown"),
           board.lampOn ? QStringLiteral("shown") : QStringLiteral("hidden"));
    const QString word = board.lastWord < 0 ? QString() : Declare::SerialWordEcho(board.lastWord);
    expect("serial-word echo", control<QLabel>(w_, "Label1", 0)->text(), word);
    expect("WORD?", query("WORD?"), word.isEmpty() ? QStringLiteral("\"\"") : word);
    // The model under the window and remote control, against the board.
    const PanelModel& model = Harness::model();
    expect("model range", QString::number(model.range()), range);
    expect("model control register", QString::number(model.controlBits(), 16),
           QString::number(board.controlRegister, 16));
    expect("model caution", model.cautionShown() ? "shown" : "hidden",
           board.lampOn ? QStringLiteral("shown") : QStringLiteral("hidden"));
    expect("model serial word", model.serialWordEcho(), word);
    for (int k = 0; k < channels(); ++k) {
        expect(QStringLiteral("model output %1").arg(k + 1),
               QString::number(model.outputCode(slot(k))), QString::number(board.dacRegister[k]));
        expect(QStringLiteral("model code %1").arg(k + 1), QString::number(model.dacCode(slot(k))),
               QString::number(board.inputRegister[k]));
    }
    const double fullScale = board.range60 ? 60.0 : 30.0;
    for (int k = 0; k < channels(); ++k) {
        // A reading is the DAC register's code at the range, powered or not.
        const QString volts = Codes::FormatVolts(board.dacRegister[k] * fullScale / 4096.0);
        const QString dac = QStringLiteral("DAC%1").arg(k + 1);
        expect(QStringLiteral("lblVoltage(%1)").arg(slot(k)),
               control<QLabel>(w_, "lblVoltage", slot(k))->text(), volts);
        expect(dac + ":VOLT:OUTP?", query(dac + ":VOLT:OUTP?") + 'V', volts);
        expect(dac + ":CODE:OUTP?", query(dac + ":CODE:OUTP?"),
               QString::number(board.dacRegister[k]));
        // A setting's query answers the setting: the input register.
        expect(dac + ":VOLT?", query(dac + ":VOLT?") + 'V',
               Codes::FormatVolts(board.inputRegister[k] * fullScale / 4096.0));
        expect(dac + ":CODE?", query(dac + ":CODE?"), QString::number(board.inputRegister[k]));
        expect(dac + ":POW?", query(dac + ":POW?"),
               board.controlRegister & (0x04 << k) ? QStringLiteral("1") : QStringLiteral("0"));
        const bool lit = board.range60 && board.dacRegister[k] >= Converter::CautionCode;
        expect(QStringLiteral("HVLED(%1)").arg(slot(k)),
               control<PictureBox>(w_, "HVLED", slot(k))->isHidden() ? QStringLiteral("off")
                                                                     : QStringLiteral("lit"),
               lit ? QStringLiteral("lit") : QStringLiteral("off"));
    }
    return faults.join(QStringLiteral("; "));
}

} // namespace

class TestRandomUse : public QObject {
    Q_OBJECT

private slots:
    void randomEvents_data();
    void randomEvents();
};

void TestRandomUse::randomEvents_data() {
    QTest::addColumn<int>("partButton");
    QTest::addColumn<bool>("bridge");
    QTest::newRow("QV7310") << 1 << false;
    QTest::newRow("QV7301") << 0 << false;
    QTest::newRow("QV7310 through the board bridge") << 1 << true;
}

void TestRandomUse::randomEvents() {
    QFETCH(int, partButton);
    QFETCH(bool, bridge);
    const quint32 seed = qEnvironmentVariableIsSet("QV_RANDOM_SEED")
                             ? quint32(qEnvironmentVariableIntValue("QV_RANDOM_SEED"))
                             : QRandomGenerator::global()->generate();
    const int events = qEnvironmentVariableIsSet("QV_RANDOM_EVENTS")
                           ? qEnvironmentVariableIntValue("QV_RANDOM_EVENTS")
                           : 4000;
    qInfo("seed %u, %d events (replay with QV_RANDOM_SEED=%u)", seed, events, seed);
    QTemporaryDir temp;
    const QString trace = bridge ? temp.filePath("bridge-trace.txt") : QString();
    if (bridge) {
        // Read by each new bridge as it starts.
        qputenv("BOARDPORT_TRACE", QFile::encodeName(trace));
        Harness::link().useBridge(
            {QCoreApplication::applicationDirPath() + "/qv7310-board-bridge"});
    }
    DialogAnswerer answers(partButton);
    auto window = Harness::startPanel();
    RandomSession session(*window, seed + quint32(partButton) + (bridge ? 2u : 0u), trace);
    QStringList steps;
    // Limits on about half the channels: no step may take an output above one.
    QRandomGenerator limits(seed);
    QStringList set;
    for (int channel = 1; channel <= Harness::model().channels(); ++channel)
        if (limits.bounded(2)) {
            Harness::model().setLimit(channel, 5 + limits.bounded(55.0));
            set << QStringLiteral("DAC%1 %2 V").arg(channel).arg(Harness::model().limit(channel));
        }
    qInfo("limits: %s", set.isEmpty() ? "none" : qPrintable(set.join(", ")));
    for (int i = 0; i < events; ++i) {
        steps << session.step();
        QCoreApplication::processEvents(); // repaints and whatever else is due
        QString fault = session.overLimit();
        if (fault.isEmpty())
            fault = session.compare();
        if (!fault.isEmpty())
            QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3\nthe steps that led there:\n  %4")
                                 .arg(seed)
                                 .arg(i)
                                 .arg(fault, steps.mid(qMax(0, steps.size() - 16)).join("\n  "))));
        QVERIFY2(window->isVisible(), "the window closed");
    }
    SimBoard::get().clearFaults();
    for (int channel = 1; channel <= Harness::model().channels(); ++channel)
        Harness::model().setLimit(channel, -1);
    if (bridge) {
        window.reset();
        Harness::link().useLibrary();
        qunsetenv("BOARDPORT_TRACE");
    }
    qInfo("%d board calls, %zu dialogs answered, %d steps compared with the board",
          SimBoard::get().callCount(), answers.shown.size(), session.comparisons());
    // Most steps find the board ready; a run that rarely compared proves little.
    QVERIFY(session.comparisons() > events * 3 / 4);
}

QTEST_MAIN(TestRandomUse)
#include "tst_random_use.moc"
