// The panel model's rules without a window: for each action in each state
// that matters (the lines, CLR held low, the part, the range, powered-down
// channels, the limits), the requests it sends, in order, to the simulated
// board loaded as the panel loads it, and what the model then shows.
#include "board/BoardLink.h"
#include "model/PanelModel.h"
#include "model/Session.h"
#include "simboard/SimboardClient.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A step of a script, "code 1 1000"; steps are separated by ';'. Returns
// false for a step it does not know.
bool run(PanelModel& model, Session& session, const QString& step) {
    const QStringList w = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = w.value(0);
    const int n = w.value(1).toInt();
    const bool on = w.value(1) == QLatin1String("high") || w.value(1) == QLatin1String("on");
    if (verb == QLatin1String("code"))
        model.setCode(n, w.value(2).toInt());
    else if (verb == QLatin1String("ldac") && w.value(1) == QLatin1String("pulse"))
        model.pulseLdac();
    else if (verb == QLatin1String("ldac"))
        model.setLdac(on);
    else if (verb == QLatin1String("clr") && w.value(1) == QLatin1String("pulse"))
        model.pulseClr();
    else if (verb == QLatin1String("clr"))
        model.setClr(on);
    else if (verb == QLatin1String("range"))
        model.setRange(n);
    else if (verb == QLatin1String("power"))
        model.setPower(n, w.value(2) == QLatin1String("on"));
    else if (verb == QLatin1String("tris"))
        model.setThreeState(on);
    else if (verb == QLatin1String("button"))
        model.selectControlButton(n);
    else if (verb == QLatin1String("limit"))
        model.setLimit(n, w.value(2).toDouble());
    else if (verb == QLatin1String("reset"))
        model.reset();
    else if (verb == QLatin1String("reload"))
        session.reload();
    else
        return false;
    return true;
}

// What the model shows: the lines and the range, each channel of the part as
// "code>output" (its loaded code and what its output holds), the reading of
// the first, the caution label, the serial word's echo and a refusal.
QString shown(const PanelModel& model) {
    QStringList channels;
    for (int c = 1; c <= model.channels(); ++c)
        channels << QStringLiteral("%1>%2").arg(model.code(c)).arg(model.shownCode(c));
    QString text =
        QStringLiteral("ldac %1 clr %2 range %3 | %4 | %5 V%6 | word %7")
            .arg(model.ldacHigh() ? "high" : "low", model.clrIsLow() ? "low" : "high")
            .arg(model.range())
            .arg(channels.join(QLatin1Char(' ')), QString::fromStdString(model.shownVolts(1)),
                 model.cautionShown() ? " caution" : "",
                 QString::fromStdString(model.serialWord()));
    if (model.lastRefusal().refused)
        text += QStringLiteral(" | refused DAC%1").arg(model.lastRefusal().channel);
    return text;
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void actions_data();
    void actions();

private:
    const SimboardClient::Functions& board_ = SimboardClient::besideExecutable();
    QTemporaryDir settings_;
    BoardLink link_;
    PanelModel model_{link_};
    Session session_{model_};
};

void TestModel::initTestCase() {
    // Limits are kept in settings: this run's own.
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

void TestModel::actions_data() {
    QTest::addColumn<bool>("quad");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, bool quad, const char* state, const char* action,
                        const QStringList& requests, const char* shown) {
        QTest::newRow(name) << quad << QString::fromLatin1(state) << QString::fromLatin1(action)
                            << requests << QString::fromLatin1(shown);
    };
    // A write with LDAC high waits in its input register; with LDAC low it
    // reaches the output, and the refresh tells the board's lamp first.
    row("write, LDAC high", true, "", "code 1 1000", {"221:0x13e8"},
        "ldac high clr high range 30 | 1000>0 0>0 0>0 0>0 | 0.0000 V | word 0x13E8");
    row("write, LDAC low", true, "ldac low", "code 2 2048", {"231", "221:0x2800"},
        "ldac low clr high range 30 | 0>0 2048>2048 0>0 0>0 | 0.0000 V | word 0x2800");
    row("write all, LDAC low", true, "ldac low", "code 0 100", {"231", "221:0x5064"},
        "ldac low clr high range 30 | 100>100 100>100 100>100 100>100 | 0.7324 V | word 0x5064");
    row("write, CLR low", true, "ldac low; clr low", "code 1 1000", {"231", "221:0x13e8"},
        "ldac low clr low range 30 | 1000>0 0>0 0>0 0>0 | 0.0000 V | word 0x13E8");
    row("write at 60 V above caution", true, "range 60; ldac low", "code 3 4000",
        {"230", "221:0x3fa0"},
        "ldac low clr high range 60 | 0>0 0>0 4000>4000 0>0 | 0.0000 V caution | word 0x3FA0");
    row("single part write", false, "", "code 1 1000", {"221:0x13e8"},
        "ldac high clr high range 30 | 1000>0 | 0.0000 V | word 0x13E8");
    row("single part write all", false, "ldac low", "code 0 1000", {"231", "221:0x13e8"},
        "ldac low clr high range 30 | 1000>1000 | 7.3242 V | word 0x13E8");
    // The lines.
    row("LDAC pulse loads", true, "code 1 1000", "ldac pulse", {"222", "231"},
        "ldac high clr high range 30 | 1000>1000 0>0 0>0 0>0 | 7.3242 V | word 0x13E8");
    row("LDAC low loads", true, "code 1 1000", "ldac low", {"227", "231"},
        "ldac low clr high range 30 | 1000>1000 0>0 0>0 0>0 | 7.3242 V | word 0x13E8");
    row("LDAC high loads nothing", true, "ldac low; code 1 1000", "ldac high", {"226", "231"},
        "ldac high clr high range 30 | 1000>1000 0>0 0>0 0>0 | 7.3242 V | word 0x13E8");
    row("LDAC pulse, CLR low", true, "clr low; code 1 1000", "ldac pulse", {"222", "231"},
        "ldac high clr low range 30 | 1000>0 0>0 0>0 0>0 | 0.0000 V | word 0x13E8");
    row("CLR pulse clears", true, "ldac low; code 1 1000", "clr pulse", {"219", "218"},
        "ldac low clr high range 30 | 1000>0 0>0 0>0 0>0 | 0.0000 V | word 0x13E8");
    row("CLR high keeps 0", true, "ldac low; code 1 1000; clr low", "clr high", {"218"},
        "ldac low clr high range 30 | 1000>0 0>0 0>0 0>0 | 0.0000 V | word 0x13E8");
    // The range: the same codes, other volts, and the lamp at once.
    row("range 60 lights", true, "ldac low; code 1 3500", "range 60", {"229", "230"},
        "ldac low clr high range 60 | 3500>3500 0>0 0>0 0>0 | 51.2695 V caution | word 0x1DAC");
    row("range 30 clears", true, "range 60; ldac low; code 1 3500", "range 30", {"228", "231"},
        "ldac low clr high range 30 | 3500>3500 0>0 0>0 0>0 | 25.6348 V | word 0x1DAC");
    // The control register, sent whole on every change.
    row("power up DAC2", true, "", "power 2 on", {"221:0x7008"},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word 0x7008");
    row("power down DAC2", true, "power 1 on; power 2 on", "power 2 off", {"221:0x7004"},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word 0x7004");
    row("three-state", true, "power 3 on", "tris on", {"221:0x7090"},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word 0x7090");
    row("page button", true, "", "button 1", {"221:0x7004"},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word 0x7004");
    row("page button pair", true, "button 1; button 13", "button 0", {"221:0x7080"},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word 0x7080");
    // The limits refuse before anything is sent.
    row("write above limit", true, "limit 1 20", "code 1 4000", {},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word  | refused DAC1");
    row("write all above a limit", true, "limit 4 20", "code 0 4000", {},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word  | refused DAC4");
    row("LDAC pulse above limit", true, "code 2 4000; limit 2 20", "ldac pulse", {},
        "ldac high clr high range 30 | 0>0 4000>0 0>0 0>0 | 0.0000 V | word 0x2FA0 | refused DAC2");
    row("LDAC pulse, CLR low, limit", true, "clr low; code 2 4000; limit 2 20", "ldac pulse",
        {"222", "231"}, "ldac high clr low range 30 | 0>0 4000>0 0>0 0>0 | 0.0000 V | word 0x2FA0");
    row("range above limit", true, "code 1 2000; limit 1 20", "range 60", {},
        "ldac high clr high range 30 | 2000>0 0>0 0>0 0>0 | 0.0000 V | word 0x17D0 | refused DAC1");
    row("single part limit", false, "limit 1 10", "code 1 2000", {},
        "ldac high clr high range 30 | 0>0 | 0.0000 V | word  | refused DAC1");
    // Reset: the safe state, then CLR high and the lamp off.
    row("reset", true, "range 60; ldac low; code 1 3500; power 1 on", "reset",
        {"221:0x7000", "221:0x5000", "222", "228", "218", "231"},
        "ldac high clr high range 30 | 0>0 0>0 0>0 0>0 | 0.0000 V | word 0x5000");
    row("reload, board ready", true, "code 1 1000", "reload", {"load", "224"},
        "ldac high clr high range 30 | 1000>0 0>0 0>0 0>0 | 0.0000 V | word 0x13E8");
}

void TestModel::actions() {
    QFETCH(bool, quad);
    QFETCH(QString, state);
    QFETCH(QString, action);
    QFETCH(QStringList, requests);
    QFETCH(QString, shown);
    // A new run on a fresh board, as the panel starts one.
    model_.clear();
    board_.reset();
    session_.begin();
    session_.setPart(quad);
    for (int c = 1; c <= model_.channels(); ++c)
        model_.setLimit(c, -1);
    session_.open();
    QVERIFY(model_.boardReady());
    for (const QString& step : state.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        QVERIFY2(run(model_, session_, step), qPrintable(step));
    const int mark = board_.callCount();
    QVERIFY(run(model_, session_, action));
    QStringList sent;
    for (int i = mark; i < board_.callCount(); ++i) {
        SimCall call{};
        board_.getCall(i, &call);
        sent << SimboardClient::describe(call);
    }
    QCOMPARE(sent, requests);
    QCOMPARE(::shown(model_), shown);
    // The board holds what the model says its outputs hold.
    SimState board{};
    board_.getState(&board);
    for (int c = 1; c <= model_.channels(); ++c)
        QCOMPARE(board.dacRegister[c - 1], model_.shownCode(c));
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
