// Thousands of random user events against the real window and the simulated
// board, with the event loop running between them as in real use (repaints,
// focus changes). After every event: each serial word sent is one the
// converter can take, the last status is the last call's, the range and the
// control-register bits the option buttons show are the board's, and right
// after a refresh the voltage labels agree with the board's outputs wherever
// the two can agree.
// The seed is printed; set QV_RANDOM_SEED to replay a run, QV_RANDOM_EVENTS
// to change its length.
#include "Codes.h"
#include "Controls.h"
#include "PanelHarness.h"
#include "QV7310.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

using Harness::control;
using Harness::controls;
using Harness::DialogAnswerer;
using Harness::SimBoard;

namespace {

// What the test knows about a channel beyond the panel's own state: a CLR
// zeroed the board's registers after the last write (the panel keeps the
// code it loaded), or a write is waiting on LDAC (held high) to reach the
// output. Either way label and output may rightly differ.
struct ChannelShadow {
    bool clearedSinceWrite = false;
    bool waitingForLdac = false;
};

// The control-register bit each optPD1 button stands for when selected.
struct ShownBit {
    int button;
    int bit;
};
constexpr ShownBit ShownBits[] = {{1, 0x04}, {3, 0x08},  {4, 0x10}, {6, 0x20},
                                  {8, 0x40}, {11, 0x02}, {13, 0x80}};

class RandomSession {
public:
    RandomSession(QV7310& window, quint32 seed) : w_(window), rng_(seed) {}

    // Runs one event; returns a description for failure messages.
    QString step();
    // Checks the invariants over the calls made since `mark`.
    QString check(int mark, bool refreshed) const;
    bool lastEventRefreshed() const { return refreshed_; }
    int comparisons() const { return comparisons_; }

private:
    QString typeText();
    QString operateOption();
    QString clickSomething(const QList<QWidget*>& targets);
    void afterWrite(int index);
    void afterClear();
    void afterLdac(int index);
    QWidget* randomVisible(const QList<QWidget*>& candidates);
    int boardChannel(int label) const; // board output behind a label

    QV7310& w_;
    QRandomGenerator rng_;
    ChannelShadow shadow_[4];
    bool refreshed_ = false;
    mutable int comparisons_ = 0;
};

QString RandomSession::step() {
    refreshed_ = false;
    const int kind = rng_.bounded(100);
    if (kind < 30)
        return typeText();
    if (kind < 38) {
        const int page = rng_.bounded(2);
        QTabBar* tabs = control<TabbedSheet>(w_, "SSTab1")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        return QStringLiteral("click tab %1").arg(page);
    }
    if (kind < 42) {
        const int item = rng_.bounded(4);
        QAction* actions[] = {control<QAction>(w_, "mnuReload"), control<QAction>(w_, "mnuAbout"),
                              control<QAction>(w_, "cmdDACoff"),
                              control<QAction>(w_, "mnuDontRESET")};
        actions[item]->trigger();
        return QStringLiteral("menu %1").arg(actions[item]->text());
    }
    if (kind < 46) {
        PictureBox* areas[] = {control<PictureBox>(w_, "Picture2"),
                               control<PictureBox>(w_, "Picture3"),
                               control<PictureBox>(w_, "Picture4")};
        const int area = rng_.bounded(3);
        QTest::mouseClick(areas[area], Qt::LeftButton, {}, QPoint(3, 3));
        return QStringLiteral("click Picture%1").arg(area + 2);
    }
    if (kind < 54)
        return operateOption();
    if (kind < 62) {
        // Writes and LDAC commands, the heart of a bench session.
        if (control<TabbedSheet>(w_, "SSTab1")->currentIndex() != 0)
            control<TabbedSheet>(w_, "SSTab1")->setCurrentIndex(0);
        QList<QWidget*> commands;
        for (QPushButton* button : controls<QPushButton>(w_, "cmdWrite", 5))
            commands << button;
        for (QPushButton* button : controls<QPushButton>(w_, "cmdLDAC", 3))
            commands << button;
        return clickSomething(commands);
    }
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
        text = QString::number(rng_.bounded(4096), 16);
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
    const QString name = target->objectName();
    const int wordsBefore = SimBoard::get().callCount();
    QTest::mouseClick(target, Qt::LeftButton);
    const auto calls = SimBoard::get().callsSince(wordsBefore);
    auto index = [&name] { return name.section('(', 1).section(')', 0, 0).toInt(); };
    if (name.startsWith("cmdWrite")) {
        // A refused box sends nothing; otherwise the word is the last call.
        if (!calls.empty() && calls.back().request == 221)
            afterWrite(index());
    } else if (name.startsWith("cmdCLR")) {
        if (index() != 1)
            afterClear();
    } else if (name.startsWith("cmdLDAC")) {
        if (!calls.empty())
            afterLdac(index());
    }
    return QStringLiteral("click %1").arg(name);
}

void RandomSession::afterWrite(int index) {
    const bool all = QV7310Variables::partIsQuad && index == 4;
    for (int k = 0; k < 4; ++k) {
        const int written = QV7310Variables::partIsQuad ? index : 0;
        if (!all && k != written)
            continue;
        shadow_[k].clearedSinceWrite = false;
        shadow_[k].waitingForLdac = QV7310Variables::ldacIsHigh;
    }
    refreshed_ = !QV7310Variables::ldacIsHigh;
}

void RandomSession::afterClear() {
    for (ChannelShadow& channel : shadow_)
        channel.clearedSinceWrite = true;
}

void RandomSession::afterLdac(int index) {
    // Pulse and LDAC low move the waiting codes to the outputs; LDAC high not.
    if (index != 1)
        for (ChannelShadow& channel : shadow_)
            channel.waitingForLdac = false;
    refreshed_ = true;
}

QWidget* RandomSession::randomVisible(const QList<QWidget*>& candidates) {
    QList<QWidget*> visible;
    for (QWidget* widget : candidates)
        if (widget->isVisible() && widget->isEnabled())
            visible << widget;
    return visible.isEmpty() ? nullptr : visible[rng_.bounded(int(visible.size()))];
}

int RandomSession::boardChannel(int label) const {
    // The single part's label sits at position 2; its DAC is at address 1.
    return QV7310Variables::partIsQuad ? label : (label == 2 ? 0 : -1);
}

QString RandomSession::check(int mark, bool refreshed) const {
    const auto calls = SimBoard::get().callsSince(mark);
    for (const SimCall& call : calls) {
        if (call.request != 221 || call.kind != SIM_CALL_VENDOR_IO)
            continue;
        const int address = (call.value >> 12) & 0x7;
        if (call.value & 0x8000 || call.value > 0xFFFF || call.value < 0 || call.index != 0)
            return QStringLiteral("word 0x%1 index %2 out of range")
                .arg(call.value, 0, 16)
                .arg(call.index);
        if (address != 1 && address != 2 && address != 3 && address != 4 && address != 5 &&
            address != 7)
            return QStringLiteral("word 0x%1 has address %2").arg(call.value, 0, 16).arg(address);
    }
    if (!calls.empty() && int(USBStuff::lastStatus) != calls.back().status)
        return QStringLiteral("lastStatus %1, last call returned %2")
            .arg(USBStuff::lastStatus)
            .arg(calls.back().status);
    const SimState state = SimBoard::get().state();
    const bool shows60 = control<OptionButton>(w_, "optRANGE", 1)->isChecked();
    if (shows60 != bool(state.range60))
        return QStringLiteral("the panel shows the %1 V range, the board is in the %2 V range")
            .arg(shows60 ? 60 : 30)
            .arg(state.range60 ? 60 : 30);
    int shownBits = 0;
    for (const ShownBit& bit : ShownBits)
        if (control<OptionButton>(w_, "optPD1", bit.button)->isChecked())
            shownBits |= bit.bit;
    if (shownBits != state.controlRegister)
        return QStringLiteral("the option buttons show control bits 0x%1, the board has 0x%2")
            .arg(shownBits, 0, 16)
            .arg(state.controlRegister, 0, 16);
    if (!refreshed)
        return {};
    for (int label = 0; label < 4; ++label) {
        const int k = boardChannel(label);
        if (k < 0 || !(state.controlRegister & (0x04 << k)))
            continue; // powered down, or no DAC behind the label
        if (shadow_[k].clearedSinceWrite || shadow_[k].waitingForLdac)
            continue;
        ++comparisons_;
        const QString board = Codes::FormatVolts(state.output[k]);
        const QString shown = control<QLabel>(w_, "lblVoltage", label)->text();
        if (board != shown)
            return QStringLiteral("lblVoltage(%1) shows %2, board output %3 is %4")
                .arg(label)
                .arg(shown, QString::number(k), board);
    }
    return {};
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
    QTest::newRow("QV7310") << 1;
    QTest::newRow("QV7301") << 0;
}

void TestRandomUse::randomEvents() {
    QFETCH(int, partButton);
    const quint32 seed = qEnvironmentVariableIsSet("QV_RANDOM_SEED")
                             ? quint32(qEnvironmentVariableIntValue("QV_RANDOM_SEED"))
                             : QRandomGenerator::global()->generate();
    const int events = qEnvironmentVariableIsSet("QV_RANDOM_EVENTS")
                           ? qEnvironmentVariableIntValue("QV_RANDOM_EVENTS")
                           : 3000;
    qInfo("seed %u, %d events (replay with QV_RANDOM_SEED=%u)", seed, events, seed);
    DialogAnswerer answers(partButton);
    auto window = Harness::startPanel();
    RandomSession session(*window, seed + quint32(partButton));
    QStringList recent;
    for (int i = 0; i < events; ++i) {
        const int mark = SimBoard::get().callCount();
        const QString event = session.step();
        QCoreApplication::processEvents(); // repaints and whatever else is due
        recent << event;
        if (recent.size() > 8)
            recent.removeFirst();
        const QString fault = session.check(mark, session.lastEventRefreshed());
        if (!fault.isEmpty())
            QFAIL(qPrintable(QStringLiteral("seed %1, event %2: %3\nlast events:\n  %4")
                                 .arg(seed)
                                 .arg(i)
                                 .arg(fault, recent.join("\n  "))));
        QVERIFY2(window->isVisible(), "the window closed");
    }
    qInfo("%d board calls, %zu dialogs answered, %d labels compared with the board",
          SimBoard::get().callCount(), answers.shown.size(), session.comparisons());
    // A run that never compared a label would prove nothing about them.
    QVERIFY(session.comparisons() > events / 100);
}

QTEST_MAIN(TestRandomUse)
#include "tst_random_use.moc"
