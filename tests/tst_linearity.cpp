// The linearity run through the real paths: the panel model writing the
// simulated board (loaded as the panel loads it) with a modelled converter's
// errors, and the simulated multimeter reading the board's outputs file over
// TCP. Remote control and the window are in tst_linearity_remote.cpp.
#include "LinearityCase.h"
#include "panel/QV7310.h"

#include <QtTest>
#include <cmath>

using Harness::SimBoard;
using Linearity::State;
using namespace LinearityCase;

namespace LinearityCase {

// What BOARDPORT_ERRORS says the output is at `code` (30 V range).
double modelled(int code, double gain, double offsetMv, double bow, int stepCode, double stepLsb) {
    const double c = code;
    const double inLsb =
        bow * 4 * c * (4095 - c) / (4095.0 * 4095.0) + (code >= stepCode ? stepLsb : 0);
    return offsetMv / 1000 + c * Lsb * (1 + gain / 100) + Lsb * inLsb;
}

Expected expectedFor(const std::vector<double>& v) {
    const int n = int(v.size());
    const double lsbM = (v[n - 1] - v[0]) / (n - 1);
    double sx = 0, sy = 0, sxy = 0, sxx = 0;
    for (int c = 0; c < n; ++c)
        sx += c, sy += v[c], sxy += c * v[c], sxx += double(c) * c;
    const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double a = (sy - b * sx) / n;
    Expected e{(lsbM * 4096 / 30 - 1) * 100, v[0], 0, 0, 1e9, -1e9};
    for (int c = 0; c < n; ++c) {
        e.endpoint = std::max(e.endpoint, std::fabs((v[c] - v[0] - c * lsbM) / lsbM));
        e.bestFit = std::max(e.bestFit, std::fabs((v[c] - a - b * c) / b));
        if (c > 0) {
            const double dnl = (v[c] - v[c - 1]) / lsbM - 1;
            e.dnlMin = std::min(e.dnlMin, dnl);
            e.dnlMax = std::max(e.dnlMax, dnl);
        }
    }
    return e;
}

} // namespace LinearityCase

void TestLinearity::initTestCase() {
    QVERIFY(dir_.isValid());
    qputenv("BOARDPORT_OUTPUTS", dir_.filePath("outputs").toLocal8Bit());
}

void TestLinearity::cleanup() {
    run_.reset();
    stop();
    dmm_.kill();
    dmm_.waitForFinished();
    qunsetenv("BOARDPORT_ERRORS");
}

void TestLinearity::startPanel(const char* errors) {
    qputenv("BOARDPORT_ERRORS", errors);
    start(1);
    run_ = std::make_unique<LinearityRun>(model(), Harness::session());
    model().setPower(1, true);
    model().setCode(1, 1234);
    if (model().ldacHigh())
        model().pulseLdac();
    QCOMPARE(SimBoard::get().state().dacRegister[0], 1234);
    Linearity::Settings& s = run_->settings();
    s.settleSeconds = 0;
}

void TestLinearity::startDmm(const QStringList& extra) {
    dmm_.setProgram(QCoreApplication::applicationDirPath() + "/qv7310-sim-dmm");
    dmm_.setArguments(QStringList{"--port", "0", "--channel", "1"} + extra);
    dmm_.start();
    QVERIFY(dmm_.waitForReadyRead(10000));
    const QByteArray line = dmm_.readLine().trimmed();
    QVERIFY2(line.startsWith("listening on "), line.constData());
    run_->settings().dmm = "127.0.0.1:" + line.mid(13).toStdString();
}

// Through an event loop of its own: QTest::qWait sleeps between its turns,
// which would pace the run.
void TestLinearity::waitForEnd() {
    if (run_->running()) {
        QEventLoop loop;
        connect(run_.get(), &LinearityRun::stateChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QVERIFY(!run_->running());
}

void TestLinearity::figures_data() {
    QTest::addColumn<QByteArray>("errors");
    QTest::addColumn<QList<double>>("terms"); // gain, offset, bow, step code, step LSB
    QTest::newRow("none") << QByteArray() << QList<double>{0, 0, 0, 0, 0};
    QTest::newRow("gain") << QByteArray("gain=0.25") << QList<double>{0.25, 0, 0, 0, 0};
    QTest::newRow("offset") << QByteArray("offset=-12") << QList<double>{0, -12, 0, 0, 0};
    QTest::newRow("bow") << QByteArray("bow=0.8") << QList<double>{0, 0, 0.8, 0, 0};
    QTest::newRow("step") << QByteArray("step=1024:1.5") << QList<double>{0, 0, 0, 1024, 1.5};
    QTest::newRow("all") << QByteArray("gain=0.1,offset=5,bow=0.8,step=2048:-0.6")
                         << QList<double>{0.1, 5, 0.8, 2048, -0.6};
}

void TestLinearity::figures() {
    QFETCH(QByteArray, errors);
    QFETCH(QList<double>, terms);
    startPanel(errors.constData());
    startDmm();
    QCOMPARE(run_->start(), std::string());
    waitForEnd();
    QCOMPARE(run_->state(), State::Done);
    QCOMPARE(int(run_->means().size()), 4096);
    std::vector<double> v;
    for (int c = 0; c < 4096; ++c)
        v.push_back(modelled(c, terms[0], terms[1], terms[2], int(terms[3]), terms[4]));
    const Expected e = expectedFor(v);
    const Linearity::Figures& f = run_->figures();
    QVERIFY2(std::fabs(f.gainPercent - e.gain) < 0.001, qPrintable(QString::number(f.gainPercent)));
    QVERIFY(std::fabs(f.offsetVolts - e.offset) < 0.01 * Lsb);
    QVERIFY(std::fabs(std::fabs(f.maxEndpointInl) - e.endpoint) < 0.01);
    QVERIFY(std::fabs(std::fabs(f.maxBestFitInl) - e.bestFit) < 0.01);
    QVERIFY(std::fabs(f.dnlMin - e.dnlMin) < 0.01);
    QVERIFY(std::fabs(f.dnlMax - e.dnlMax) < 0.01);
    QCOMPARE(f.monotonic, e.dnlMin > -1);
    // Back to the code it held before.
    QCOMPARE(model().code(1), 1234);
    QCOMPARE(SimBoard::get().state().dacRegister[0], 1234);
}

void TestLinearity::limitEndsRun() {
    startPanel("");
    startDmm();
    model().setLimit(1, 10);
    run_->settings().step = 16;
    QCOMPARE(run_->start(), std::string());
    waitForEnd();
    QCOMPARE(run_->state(), State::Done);
    // 10 V is code 1365.33: 1360 is the last code of the sweep allowed.
    QCOMPARE(int(run_->means().size()), 1360 / 16 + 1);
    QVERIFY2(run_->reason().startsWith("ended at code 1360"), qPrintable(run_->reason()));
    QCOMPARE(model().code(1), 1234);
    QCOMPARE(SimBoard::get().state().dacRegister[0], 1234);
    model().setLimit(1, -1);
}

void TestLinearity::endings_data() {
    QTest::addColumn<QStringList>("dmm");
    QTest::addColumn<QString>("action"); // after 20 points
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("reason");
    const int failed = int(State::Failed);
    QTest::newRow("cancel") << QStringList() << "cancel" << int(State::Aborted) << "cancelled";
    QTest::newRow("no answer") << QStringList{"--fault", "silent", "--fault-after", "20"} << ""
                               << failed << "the multimeter did not answer READ? within 0.3 s";
    QTest::newRow("garbage") << QStringList{"--fault", "garbage", "--fault-after", "20"} << ""
                             << failed << "the multimeter's reply to READ? is not a reading";
    QTest::newRow("closed") << QStringList{"--fault", "close", "--fault-after", "20"} << ""
                            << failed << "the multimeter closed the connection";
    QTest::newRow("set-up error") << QStringList{"--fault", "error"} << "" << failed
                                  << "the multimeter reports an error after the set-up";
    QTest::newRow("board") << QStringList() << "board" << failed << "board request";
}

void TestLinearity::endings() {
    QFETCH(QStringList, dmm);
    QFETCH(QString, action);
    QFETCH(int, state);
    QFETCH(QString, reason);
    startPanel("");
    startDmm(dmm);
    run_->settings().timeoutSeconds = 0.3;
    connect(run_.get(), &LinearityRun::progress, this, [this, action](int done) {
        if (done != 20)
            return;
        if (action == "cancel")
            run_->abort();
        if (action == "board")
            SimBoard::get().failAfter(0, -5);
    });
    QCOMPARE(run_->start(), std::string());
    waitForEnd();
    SimBoard::get().clearFaults();
    QCOMPARE(int(run_->state()), state);
    QVERIFY2(run_->reason().startsWith(reason), qPrintable(run_->reason()));
    QCOMPARE(model().code(1), 1234);
    // The failing board took no code; every other ending put it back.
    if (action != "board")
        QCOMPARE(SimBoard::get().state().dacRegister[0], 1234);
}

void TestLinearity::refusals_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no meter") << "address"
                              << "no multimeter address";
    QTest::newRow("powered down") << "power"
                                  << "channel 1 is powered down";
    QTest::newRow("CLR low") << "clr"
                             << "CLR is held low";
}

void TestLinearity::refusals() {
    QFETCH(QString, change);
    QFETCH(QString, reason);
    startPanel("");
    run_->settings().dmm = change == "address" ? "" : "127.0.0.1:1";
    if (change == "power")
        model().setPower(1, false);
    if (change == "clr")
        model().setClr(false);
    const int mark = SimBoard::get().callCount();
    QCOMPARE(QString::fromStdString(run_->start()), reason);
    QCOMPARE(run_->state(), State::Idle);
    QCOMPARE(SimBoard::get().callCount(), mark);
}

void TestLinearity::exitDuringRun() {
    startPanel("offset=3");
    startDmm();
    model().setResetOnExit(true);
    connect(run_.get(), &LinearityRun::progress, this, [this](int done) {
        if (done == 20)
            window_->close();
    });
    QCOMPARE(run_->start(), std::string());
    waitForEnd();
    QCOMPARE(run_->state(), State::Aborted);
    QCOMPARE(run_->reason(), QString("the panel exits"));
    const SimState board = SimBoard::get().state();
    for (int k = 0; k < 4; ++k)
        QCOMPARE(board.output[k], 0.0);
}

QTEST_MAIN(TestLinearity)
