// The linearity run driven over remote control, and the Tools menu's window.
#include "LinearityCase.h"
#include "measure/LinearityExport.h"
#include "measure/LinearityPlot.h"
#include "measure/LinearityWindow.h"
#include "panel/QV7310.h"
#include "remote/RemoteServer.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>
#include <cmath>

using Linearity::State;
using namespace LinearityCase;

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
    shown->resize(1180, 560);
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
    const QString picture = dir_.filePath("plot.png");
    QVERIFY(LinearityExport::WritePng(shown->plot(), picture, error));
    const QImage image(picture);
    QCOMPARE(image.size(), shown->plot().size() * shown->plot().devicePixelRatio());
    // The INL lines are drawn: the endpoint line's blue is in the picture.
    bool blue = false;
    for (int y = 0; y < image.height() && !blue; ++y)
        for (int x = 0; x < image.width() && !blue; ++x)
            blue = image.pixelColor(x, y) == QColor(0x1F, 0x5F, 0xBF);
    QVERIFY(blue);
    // QV_LINEARITY_PICTURE=FILE: the window as drawn, with the cursor's
    // readout at the step, for the docs.
    if (qEnvironmentVariableIsSet("QV_LINEARITY_PICTURE")) {
        const QRect plot = shown->plot().rect();
        QTest::mouseMove(&shown->plot(),
                         QPoint(plot.left() + 64 + (plot.width() - 80) / 2, plot.center().y()));
        QVERIFY(shown->grab().save(qEnvironmentVariable("QV_LINEARITY_PICTURE")));
    }
}
