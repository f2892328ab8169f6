// The history of board requests: a window session and two remote clients'
// sessions as the "History" window, its CSV export and the journal tell
// them, in order, with their origins and statuses, against the board's own
// call log; the bound of 100,000; and --journal in the program itself.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/PanelModel.h"
#include "panel/QV7310.h"
#include "panel/frmHistory.h"
#include "remote/RemoteServer.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using Harness::control;
using Harness::SimBoard;

namespace {

const QRegularExpression IsoTime(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)");

// Sends a line and waits for the reply of the *OPC? after it.
bool ask(QTcpSocket& socket, const QByteArray& line) {
    socket.write(line + ";*OPC?\n");
    socket.flush();
    return QTest::qWaitFor([&] { return socket.canReadLine() && socket.readLine() == "1\n"; },
                           10000);
}

// "action | origin | request | word | status", one per row of the window.
QStringList shown(const QAbstractItemModel& table) {
    QStringList rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = HistoryTable::Action; c < HistoryTable::Columns; ++c)
            cells << table.index(r, c).data().toString();
        rows << cells.join(QLatin1String(" | "));
    }
    return rows;
}

// The same of the journal's JSON lines; a line that is no such record says so.
QStringList journaled(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no journal>")};
    QStringList rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!IsoTime.match(o.value("time").toString()).hasMatch())
            return rows << QStringLiteral("<bad line> ") + QString::fromUtf8(line);
        rows << QStringList{o.value("action").toString(), o.value("origin").toString(),
                            (o.value("request").toVariant().toString() + ' ' +
                             o.value("role").toString())
                                .trimmed(),
                            o.value("word").toString(), QString::number(o.value("status").toInt())}
                    .join(QLatin1String(" | "));
    }
    return rows;
}

// The rows as calls with their statuses ("221:0x2800 0", "219 -7"), and the
// board's own log since `mark` the same way.
QStringList asCalls(const QStringList& rows) {
    QStringList calls;
    for (const QString& row : rows) {
        const QStringList cells = row.split(QStringLiteral(" | "));
        const QString request = cells[2].section(' ', 0, 0); // its number, without its role
        calls << (cells[3].isEmpty() ? request : request + ':' + cells[3].toLower()) + ' ' +
                     cells[4];
    }
    return calls;
}
QStringList boardCalls(int mark) {
    QStringList calls;
    for (const SimCall& call : SimBoard::get().callsSince(mark))
        calls << Harness::describe(call) + ' ' + QString::number(call.status);
    return calls;
}

// The rows of an exported CSV file after its header, with the time checked
// and left out; the header itself first.
QStringList exported(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no file>")};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    QStringList rows{lines.takeFirst()};
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (const QString& line : lines) {
        if (!IsoTime.match(line.section(',', 0, 0)).hasMatch())
            return rows << QStringLiteral("<bad time> ") + line;
        // The request and its role in one cell, as the window shows them.
        QStringList cells = line.section(',', 1).split(',');
        cells[2] = (cells[2] + ' ' + cells.takeAt(3)).trimmed();
        rows << cells.join(QLatin1String(" | "));
    }
    return rows;
}

} // namespace

class TestHistory : public QObject, Harness::PanelFixture {
    Q_OBJECT

private slots:
    void cleanup();
    void windowAndRemoteSessions();
    void bound();
    void journalFailure_data();
    void journalFailure();
    void journalOption_data();
    void journalOption();

private:
    QStringList playSessions(const RemoteServer& server);
};

void TestHistory::cleanup() {
    Harness::model().history().closeJournal();
    SimBoard::get().clearFaults();
    stop();
}

// At the window: code 800 to DAC2, an LDAC pulse, 60 V, DAC1 powered up,
// 800 to all, CLR low and high, 30 V; then two remote clients; then a board that fails. Returns the
// rows the history should hold.
QStringList TestHistory::playSessions(const RemoteServer& server) {
    control<QAbstractButton>(*window_, "InputSel", 4)->click();
    control<QAbstractButton>(*window_, "cmdWrite", 1)->click();
    control<QAbstractButton>(*window_, "cmdLDAC", 0)->click();
    control<QAbstractButton>(*window_, "optRANGE", 1)->click();
    control<QAbstractButton>(*window_, "optPD1", 1)->click();
    control<QAbstractButton>(*window_, "cmdWrite", 4)->click();
    control<QAbstractButton>(*window_, "cmdCLR", 2)->click();
    control<QAbstractButton>(*window_, "cmdCLR", 1)->click();
    control<QAbstractButton>(*window_, "optRANGE", 0)->click();
    // A client by its address, then one that names itself.
    QTcpSocket plain;
    QTcpSocket tango;
    for (QTcpSocket* client : {&plain, &tango}) {
        client->connectToHost(QHostAddress::LocalHost, server.port());
        if (!client->waitForConnected(10000))
            return {QStringLiteral("<not connected>")};
    }
    if (!ask(plain, "DAC3:CODE 100;LDAC:PULS") || !ask(tango, "SYST:CLI \"Tango\"") ||
        !ask(tango, "RANG 30"))
        return {QStringLiteral("<no reply>")};
    // A board that fails: each request with its status.
    SimBoard::get().failAfter(0, -7);
    control<QAbstractButton>(*window_, "cmdCLR", 0)->click();
    SimBoard::get().clearFaults();

    const QString address = QStringLiteral("127.0.0.1:%1").arg(plain.localPort());
    const QString named = QStringLiteral("Tango (127.0.0.1:%1)").arg(tango.localPort());
    return {
        "Load DAC2 | window | 221 serial word | 0x2800 | 0",
        "Pulse LDAC | window | 222 LDAC pulse |  | 0",
        "Pulse LDAC | window | 231 warning off |  | 0",
        "Range 60V | window | 229 range 60 V |  | 0",
        "Range 60V | window | 231 warning off |  | 0",
        "Control Register | window | 221 serial word | 0x7004 | 0",
        "Write to all DACs | window | 221 serial word | 0x5800 | 0",
        "CLR Low | window | 219 CLR low |  | 0",
        "CLR High | window | 218 CLR high |  | 0",
        "Range 30V | window | 228 range 30 V |  | 0",
        "Range 30V | window | 231 warning off |  | 0",
        "DAC3:CODE 100 | " + address + " | 221 serial word | 0x3064 | 0",
        "LDAC:PULS | " + address + " | 222 LDAC pulse |  | 0",
        "LDAC:PULS | " + address + " | 231 warning off |  | 0",
        "RANG 30 | " + named + " | 228 range 30 V |  | 0",
        "RANG 30 | " + named + " | 231 warning off |  | 0",
        "Pulse CLR | window | 219 CLR low |  | -7",
        "Pulse CLR | window | 218 CLR high |  | -7",
    };
}

void TestHistory::windowAndRemoteSessions() {
    start(1);
    RemoteServer server(Harness::model(), Harness::session());
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    RequestHistory& history = Harness::model().history();
    QTemporaryDir dir;
    const QString journal = dir.filePath("journal.jsonl");
    QString error;
    QVERIFY2(history.openJournal(journal, error), qPrintable(error));
    history.clear();
    const int mark = SimBoard::get().callCount();

    const QStringList expected = playSessions(server);
    // Every request the board saw, in its order, with its status.
    QCOMPARE(asCalls(expected), boardCalls(mark));

    control<QAction>(*window_, "mnuHistory")->trigger();
    auto* dialog = window_->findChild<frmHistory*>(QStringLiteral("frmHistory"));
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(shown(dialog->table()), expected);
    QCOMPARE(journaled(journal), expected);
    // New requests join the open window.
    control<QAbstractButton>(*window_, "cmdLDAC", 1)->click();
    const QStringList more = expected + QStringList{"LDAC High | window | 226 LDAC high |  | 0",
                                                    "LDAC High | window | 231 warning off |  | 0"};
    QTRY_COMPARE(shown(dialog->table()), more);
    QCOMPARE(journaled(journal), more);

    // The export, through its button and the file dialog.
    const QString csv = dir.filePath("history.csv");
    answers_->onShow = [&csv](QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d))
            files->selectFile(csv);
    };
    control<QAbstractButton>(*dialog, "cmdExport")->click();
    QCOMPARE(exported(csv), QStringList{"time,action,origin,request,role,word,status"} + more);
}

void TestHistory::bound() {
    start(1);
    control<QAction>(*window_, "mnuHistory")->trigger();
    auto* dialog = window_->findChild<frmHistory*>(QStringLiteral("frmHistory"));
    QVERIFY(dialog);
    RequestHistory& history = Harness::model().history();
    history.clear();
    PanelModel& model = Harness::model();
    model.setLdac(false);
    model.setLdac(true);
    // 100,000 requests after those four: the four make room.
    for (int i = 0; i < 50000; ++i)
        model.pulseClr();
    QCOMPARE(history.size(), RequestHistory::Capacity);
    QCOMPARE(history.appended(), std::uint64_t(RequestHistory::Capacity + 4));
    QCOMPARE(history.at(0).action, QStringLiteral("Pulse CLR"));
    model.setLdac(false);
    QCOMPARE(history.size(), RequestHistory::Capacity);
    const HistoryTable& table = dialog->table();
    QTRY_COMPARE(table.rowCount(), int(RequestHistory::Capacity));
    const QStringList edges = {shown(table).constFirst(), shown(table).constLast()};
    QCOMPARE(edges, (QStringList{"Pulse CLR | window | 219 CLR low |  | 0",
                                 "LDAC Low | window | 231 warning off |  | 0"}));
}

// A journal that cannot be written: the status line says since when and
// why, the History keeps every record, and one that takes records again
// (the file may grow again: space freed) goes on, with whole lines.
void TestHistory::journalFailure_data() {
    QTest::addColumn<QString>("file"); // "/dev/full", or "removed" / "limited" in a folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full") << "/dev/full"
                               << "No space left on device";
    QTest::newRow("removed while running") << "removed"
                                           << "the file was removed";
    QTest::newRow("full, then space freed") << "limited"
                                            << "File too large";
}

void TestHistory::journalFailure() {
    QFETCH(QString, file);
    QFETCH(QString, reason);
    start(1);
    QTemporaryDir dir;
    const QString path = file.startsWith('/') ? file : dir.filePath("journal.jsonl");
    RequestHistory& history = Harness::model().history();
    QString error;
    QVERIFY2(history.openJournal(path, error), qPrintable(error));
    history.clear();
    control<QAbstractButton>(*window_, "cmdLDAC", 1)->click();
    // The file grows no more, as on a full disk; SIGXFSZ would end the run.
    rlimit limit = {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    if (file == "limited") {
        const rlimit full = {rlim_t(QFileInfo(path).size()), limit.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
    }
    if (file == "removed")
        QVERIFY(QFile::remove(path));
    control<QAbstractButton>(*window_, "cmdLDAC", 2)->click();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, ignored);
    const auto* status = window_->findChild<QStatusBar*>("statusLine");
    const QRegularExpression said(
        "   \u00b7   Journal: not written since \\d\\d:\\d\\d:\\d\\d \\(" +
        QRegularExpression::escape(reason) + "\\)$");
    QTRY_VERIFY2(said.match(status->currentMessage()).hasMatch(),
                 qPrintable(status->currentMessage()));
    QVERIFY(history.journalIncomplete());
    QCOMPARE(history.size(), std::size_t(4));
    control<QAbstractButton>(*window_, "cmdLDAC", 1)->click();
    QCOMPARE(history.size(), std::size_t(6));
    if (file != "limited")
        return;
    QTRY_VERIFY2(!status->currentMessage().contains("Journal"),
                 qPrintable(status->currentMessage()));
    QCOMPARE(journaled(path), (QStringList{"LDAC High | window | 226 LDAC high |  | 0",
                                           "LDAC High | window | 231 warning off |  | 0",
                                           "LDAC High | window | 226 LDAC high |  | 0",
                                           "LDAC High | window | 231 warning off |  | 0"}));
}

// --journal in the program: every request as it is sent; a journal that
// cannot be written is said once on stderr, and the run ends with status 4.
void TestHistory::journalOption_data() {
    QTest::addColumn<QString>("file"); // "/dev/full", or "kept" / "removed" in a folder
    QTest::addColumn<QString>("said"); // on stderr, a pattern; empty: nothing
    QTest::addColumn<int>("exitCode");
    QTest::newRow("written") << "kept"
                             << "" << 0;
    QTest::newRow("disk full") << "/dev/full"
                               << "(No space left on device)" << 4;
    QTest::newRow("removed while running") << "removed"
                                           << "(the file was removed)" << 4;
}

void TestHistory::journalOption() {
    QFETCH(QString, file);
    QFETCH(QString, said);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString journal = file.startsWith('/') ? file : dir.filePath("notebook.jsonl");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", dir.path());
    QProcess panel;
    panel.setProcessEnvironment(environment);
    panel.start(QCoreApplication::applicationDirPath() + "/qv7310",
                {"--part", "QV7310", "--remote-port", "0", "--journal", journal});
    QVERIFY(panel.waitForStarted());
    const QRegularExpression announced(R"(remote control on [0-9.]+:(\d+)\n)");
    QString out;
    QRegularExpressionMatch match;
    QTRY_VERIFY_WITH_TIMEOUT(
        (match = announced.match(out += QString::fromLocal8Bit(panel.readAllStandardOutput())))
            .hasMatch(),
        20000);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, match.captured(1).toUShort());
    QVERIFY(client.waitForConnected(10000));
    // The name counts from the client's next line on.
    QVERIFY(ask(client, "SYST:CLI 'Tango';:DAC1:CODE 1"));
    QVERIFY(ask(client, "DAC1:CODE 2"));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(client.localPort());
    const QString named = QStringLiteral("Tango (%1)").arg(address);
    const QStringList session = {
        "Firmware download | window | LoadFirmWare |  | 0",
        "Start | window | 224 start |  | 0",
        ":DAC1:CODE 1 | " + address + " | 221 serial word | 0x1001 | 0",
        "DAC1:CODE 2 | " + named + " | 221 serial word | 0x1002 | 0",
    };
    if (file == "removed") {
        QVERIFY(QFile::remove(journal));
        QVERIFY(ask(client, "DAC1:CODE 3"));
    }
    // Flushed per request: all there while the panel runs.
    if (file == "kept")
        QCOMPARE(journaled(journal), session);
    panel.terminate();
    QVERIFY(panel.waitForFinished(30000));
    const QString errors = QString::fromLocal8Bit(panel.readAllStandardError());
    const QRegularExpression line("^qv7310: journal " + QRegularExpression::escape(journal) +
                                      ": not written since \\d\\d:\\d\\d:\\d\\d " +
                                      QRegularExpression::escape(said) +
                                      "; the History keeps every record$",
                                  QRegularExpression::MultilineOption);
    QCOMPARE(int(errors.count("qv7310: journal")), said.isEmpty() ? 0 : 1);
    QVERIFY2(said.isEmpty() || line.match(errors).hasMatch(), qPrintable(errors));
    QCOMPARE(panel.exitCode(), exitCode);
    const QStringList safeState = {"Safe state | window | 221 serial word | 0x7000 | 0",
                                   "Safe state | window | 221 serial word | 0x5000 | 0",
                                   "Safe state | window | 222 LDAC pulse |  | 0",
                                   "Safe state | window | 228 range 30 V |  | 0"};
    if (file == "kept")
        QCOMPARE(journaled(journal), session + safeState);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
