// The linearity run through the real paths: the panel model writing the
// simulated board (loaded as the panel loads it) with a modelled converter's
// errors, the simulated multimeter reading the board's outputs file over TCP,
// and remote control driving the run.
#include "PanelHarness.h"
#include "measure/LinearityExport.h"
#include "measure/LinearityPlot.h"
#include "measure/LinearityRun.h"
#include "measure/LinearityWindow.h"
#include "model/PanelModel.h"
#include "panel/QV7310.h"
#include "remote/RemoteServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstdlib>

using Harness::SimBoard;
using Linearity::State;

namespace {

const double Lsb = 30.0 / 4096;

// What BOARDPORT_ERRORS says the output is at `code` (30 V range).
double modelled(int code, double gain, double offsetMv, double bow, int stepCode, double stepLsb) {
    const double c = code;
    const double inLsb =
        bow * 4 * c * (4095 - c) / (4095.0 * 4095.0) + (code >= stepCode ? stepLsb : 0);
    return offsetMv / 1000 + c * Lsb * (1 + gain / 100) + Lsb * inLsb;
}

// The figures as the definitions give them, worked out plainly here.
struct Expected {
    double gain, offset, endpoint, bestFit, dnlMin, dnlMax;
};

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

} // namespace

class TestLinearity : public QObject, Harness::PanelFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void figures_data();
    void figures();
    void limitEndsRun();
    void endings_data();
    void endings();
    void refusals_data();
    void refusals();
    void remoteRun();
    void exitDuringRun();
    void window();

private:
    // A panel (quad part) with channel 1 powered up at code 1234, and a run.
    void startPanel(const char* errors);
    void startDmm(const QStringList& extra = {});
    void waitForEnd();
    PanelModel& model() { return Harness::model(); }

    QTemporaryDir dir_;
    QProcess dmm_;
    std::unique_ptr<LinearityRun> run_;
};

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

namespace {

// One line to the panel and, for a query, its reply.
QByteArray ask(QTcpSocket& client, const QByteArray& line, int ms = 60000) {
    client.write(line + '\n');
    if (!line.contains('?'))
        return QByteArray();
    QEventLoop loop;
    QObject::connect(&client, &QTcpSocket::readyRead, &loop, [&] {
        if (client.canReadLine())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!client.canReadLine())
        loop.exec();
    return client.readLine().trimmed();
}

} // namespace

void TestLinearity::remoteRun() {
    const char* const errors = "gain=0.1,offset=5,bow=0.8,step=2048:-0.6";
    startPanel(errors);
    startDmm();
    RemoteServer server(model(), Harness::session());
    server.setLinearity(run_.get());
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(client.waitForConnected(5000));

    const QByteArray address = QByteArray::fromStdString(run_->settings().dmm);
    // An error ends its line: the error queue is read on the next.
    ask(client, "LIN:DMM \"\";:LIN:INIT");
    QCOMPARE(ask(client, "SYST:ERR?"),
             QByteArray("-221,\"Settings conflict;no multimeter address\""));
    ask(client, "LIN:DMM \"" + address + "\";CHAN 1;CODES 0,4095,1;SETT 0;AVER 1");
    QCOMPARE(ask(client, "LIN:DMM?;CHAN?;COD?;SETT?;AVER?;DMM:SET?;QUER?"),
             "\"" + address + "\";1;0,4095,1;0;1;\"CONF:VOLT:DC AUTO\";\"READ?\"");
    QCOMPARE(ask(client, "LIN:INIT;STAT?"), QByteArray("RUNNING"));
    ask(client, "DAC1:CODE 5");
    QCOMPARE(ask(client, "SYST:ERR?"),
             QByteArray("-200,\"Execution error;linearity run in progress\""));
    QCOMPARE(ask(client, "*OPC?;:LIN:STAT?;PROG?"), QByteArray("1;DONE;4096,4096"));
    const QList<QByteArray> result = ask(client, "LIN:RES?").split(',');
    QCOMPARE(result.size(), 7);
    std::vector<double> v;
    for (int c = 0; c < 4096; ++c)
        v.push_back(modelled(c, 0.1, 5, 0.8, 2048, -0.6));
    const Expected e = expectedFor(v);
    QVERIFY(std::fabs(result[0].toDouble() - e.gain) < 0.001);
    QVERIFY(std::fabs(result[1].toDouble() - e.offset) < 0.01 * Lsb);
    QVERIFY(std::fabs(result[2].toDouble() - e.endpoint) < 0.01);
    QVERIFY(std::fabs(result[3].toDouble() - e.bestFit) < 0.01);
    QVERIFY(std::fabs(result[4].toDouble() - e.dnlMin) < 0.01);
    QVERIFY(std::fabs(result[5].toDouble() - e.dnlMax) < 0.01);
    QCOMPARE(result[6], QByteArray("1"));
    const QList<QByteArray> data = ask(client, "LIN:DATA?").split(',');
    QCOMPARE(data.size(), 4096);
    QVERIFY(std::fabs(data[2048].toDouble() - v[2048]) < 0.01 * Lsb);

    // *RST ends a run at once; the run's results say why.
    ask(client, "LIN:CODES 0,4095,8;INIT");
    QCOMPARE(ask(client, "*RST;:LIN:STAT?"), QByteArray("ABORTED"));
    QCOMPARE(run_->reason(), QString("*RST"));
    QCOMPARE(ask(client, "*OPC?;:LIN:RES?").left(2), QByteArray("1;"));
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

// The Tools menu's window: Esc cancels, Start runs with what it shows, the
// main window's output controls are disabled meanwhile, then the summary,
// the plot and the exports.
void TestLinearity::window() {
    startPanel("gain=0.1,offset=5,bow=0.8,step=2048:-0.6");
    startDmm();
    AttachLinearity(*window_, *run_);
    window_->linearityAction()->trigger();
    auto* shown = window_->findChild<LinearityWindow*>("frmLinearity");
    QVERIFY(shown);
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    Harness::control<QLineEdit>(*shown, "txtDmm")
        ->setText(QString::fromStdString(run_->settings().dmm));
    Harness::control<QDoubleSpinBox>(*shown, "spnSettle")->setValue(0);
    QPushButton* write = Harness::control<QPushButton>(*window_, "cmdWrite", 0);
    Harness::control<QPushButton>(*shown, "cmdStart")->click();
    QVERIFY(run_->running());
    QVERIFY(!write->isEnabled());
    QTest::keyClick(shown, Qt::Key_Escape);
    QCOMPARE(run_->state(), State::Aborted);
    QVERIFY(write->isEnabled());
    QVERIFY(Harness::control<QLabel>(*shown, "lblProgress")->text().startsWith("Cancelled"));

    Harness::control<QPushButton>(*shown, "cmdStart")->click();
    waitForEnd();
    QCOMPARE(run_->state(), State::Done);
    const QString summary = Harness::control<QLabel>(*shown, "lblSummary")->text();
    QVERIFY2(summary.startsWith("Gain error: 0.0853 %"), qPrintable(summary));
    QString error;
    QVERIFY(LinearityExport::WriteCsv(*run_, dir_.filePath("run.csv"), error));
    QFile csv(dir_.filePath("run.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().split('\n');
    QCOMPARE(rows[0],
             QByteArray("code,mean_V,reading1_V,ideal_V,inl_endpoint_LSB,inl_bestfit_LSB,dnl_LSB"));
    QCOMPARE(rows.size(), 4096 + 2);
    QVERIFY(LinearityExport::WriteJson(*run_, dir_.filePath("run.json"), error));
    QFile json(dir_.filePath("run.json"));
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QJsonObject summaryJson = QJsonDocument::fromJson(json.readAll()).object();
    QCOMPARE(summaryJson["multimeter_idn"].toString(), QString("QV,7310-SIM-DMM,0,1.0"));
    QCOMPARE(summaryJson["settings"].toObject()["last"].toInt(), 4095);
    const QString picture = qEnvironmentVariableIsSet("QV_LINEARITY_PICTURE")
                                ? qEnvironmentVariable("QV_LINEARITY_PICTURE")
                                : dir_.filePath("plot.png");
    QVERIFY(LinearityExport::WritePng(shown->plot(), picture, error));
    const QImage image(picture);
    QCOMPARE(image.size(), shown->plot().size() * shown->plot().devicePixelRatio());
    // The INL lines are drawn: the endpoint line's blue is in the picture.
    bool blue = false;
    for (int y = 0; y < image.height() && !blue; ++y)
        for (int x = 0; x < image.width() && !blue; ++x)
            blue = image.pixelColor(x, y) == QColor(0x1F, 0x5F, 0xBF);
    QVERIFY(blue);
}

QTEST_MAIN(TestLinearity)
#include "tst_linearity.moc"
