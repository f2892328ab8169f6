// Remote control: TCP clients against the real window and the simulated
// board. Commands and their replies, requests and errors as one table; the
// reset, several clients, a client that leaves mid-line, the window closing;
// and the program's command line, run as a child process.
#include "PanelHarness.h"
#include "model/PanelModel.h"
#include "panel/QV7310.h"
#include "panel/frmLimits.h"
#include "remote/RemoteConnection.h"
#include "remote/RemoteServer.h"
#include "remote/ScpiExecutor.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using Harness::control;
using Harness::DialogAnswerer;
using Harness::SimBoard;

namespace {

const QString Syntax = R"(-102,"Syntax error")";
const QString Undefined = R"(-113,"Undefined header")";
const QString Suffix = R"(-114,"Header suffix out of range")";
const QString Conflict = R"(-221,"Settings conflict")";
const QString OutOfRange = R"(-222,"Data out of range")";
const QString TooMuch = R"(-223,"Too much data")";
const QString Illegal = R"(-224,"Illegal parameter value")";
const QString Overflow = R"(-350,"Queue overflow")";
const QString DataType = R"(-104,"Data type error")";
const QString NumericData = R"(-120,"Numeric data error")";
const QString BadCharacter = R"(-121,"Invalid character in number")";
const QString BigExponent = R"(-123,"Exponent too large")";
const QString NoNumbers = R"(-128,"Numeric data not allowed")";
const QString NotAllowed = R"(-108,"Parameter not allowed")";
const QString Missing = R"(-109,"Missing parameter")";
const QString BadSuffix = R"(-131,"Invalid suffix")";
const QString NoSuffix = R"(-138,"Suffix not allowed")";
const QString NoCharacters = R"(-148,"Character data not allowed")";
const QStringList SafeState = {"221:0x7000", "221:0x5000", "222", "228"};
// *RST: the safe state, then CLR released and the board's warning off.
const QStringList Reset = SafeState + QStringList{"218", "231"};

// A client of a panel's server. Waits spin the event loop, since the server
// may run on this very thread.
class Client {
public:
    explicit Client(quint16 port) { socket.connectToHost(QHostAddress::LocalHost, port); }
    // False as soon as the connection is refused.
    bool waitConnected() {
        (void)QTest::qWaitFor(
            [this] {
                return socket.state() == QAbstractSocket::ConnectedState ||
                       socket.state() == QAbstractSocket::UnconnectedState;
            },
            10000);
        return socket.state() == QAbstractSocket::ConnectedState;
    }
    void send(const QByteArray& bytes) {
        socket.write(bytes);
        socket.flush();
    }
    // The reply lines to `line`, which a "1;1" from a following pair of
    // *OPC? closes (no single command gives that reply).
    QStringList ask(const QByteArray& line) {
        send(line + "\n*OPC?;*OPC?\n");
        QStringList lines;
        const bool done = QTest::qWaitFor(
            [&] {
                while (socket.canReadLine())
                    lines << QString::fromUtf8(socket.readLine()).chopped(1);
                return !lines.isEmpty() && lines.last() == QLatin1String("1;1");
            },
            10000);
        if (!done)
            return lines << QStringLiteral("<no answer>");
        lines.removeLast();
        return lines;
    }
    // Empties the error queue, oldest first.
    QStringList errors() {
        QStringList entries;
        for (int i = 0; i <= 16; ++i) {
            const QStringList reply = ask("SYST:ERR?");
            if (reply.size() != 1)
                return entries << QStringLiteral("<bad reply>") << reply;
            if (reply.front() == QLatin1String(R"(0,"No error")"))
                break;
            entries << reply.front();
        }
        return entries;
    }
    QTcpSocket socket;
};

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A board trace file as compact calls ("load", "221:0x2800", "224").
QStringList traceCalls(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no trace>")};
    QStringList calls;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.front() == "LoadFirmWare")
            calls << QStringLiteral("load");
        else if (words.size() > 2 && words[1] == "221")
            calls << QStringLiteral("221:0x%1").arg(words[2].toInt(), 4, 16, QLatin1Char('0'));
        else if (words.size() > 1)
            calls << QString::fromLatin1(words[1]);
    }
    return calls;
}

// A run of the panel with `arguments`: its replies to `lines` (each line's,
// then the errors it left), then what it said on stderr.
QStringList runPanel(const QProcessEnvironment& environment, const QStringList& arguments,
                     const QList<QByteArray>& lines) {
    QProcess panel;
    panel.setProcessEnvironment(environment);
    panel.start(QCoreApplication::applicationDirPath() + "/qv7310", arguments);
    QStringList seen;
    if (!panel.waitForStarted())
        return seen << "<not started>";
    QString out;
    const QRegularExpression announced(R"(^qv7310: remote control on [0-9.]+:(\d+)\n)");
    QRegularExpressionMatch match;
    (void)QTest::qWaitFor(
        [&] {
            out += QString::fromLocal8Bit(panel.readAllStandardOutput());
            return (match = announced.match(out)).hasMatch();
        },
        20000);
    Client client(match.captured(1).toUShort());
    if (match.hasMatch() && client.waitConnected())
        for (const QByteArray& line : lines)
            seen << client.ask(line) << client.errors();
    panel.terminate();
    panel.waitForFinished(30000);
    return seen << QString::fromLocal8Bit(panel.readAllStandardError()).split('\n');
}

} // namespace

class TestRemote : public QObject, Harness::PanelFixture {
    Q_OBJECT

private slots:
    void cleanup();
    void commands_data();
    void commands();
    void resetRestoresStartState();
    void severalClients();
    void clientLeavingMidLine();
    void unreadRepliesBounded();
    void closingWindowStopsServer();
    void idleClientClosed();
    void floodingClientTakesTurns();
    void commandLine_data();
    void commandLine();
    void limitKeptExactly_data();
    void limitKeptExactly();
    void commandLineLimitHoldsForItsRun();

private:
    void start(int partButton) {
        server_.reset();
        PanelFixture::start(partButton);
        server_ = std::make_unique<RemoteServer>(Harness::model(), Harness::session());
        QVERIFY(server_->listen(QHostAddress::LocalHost, 0));
    }
    template <typename T> T* child(const QString& name) const {
        T* widget = window_->findChild<T*>(name);
        if (!widget)
            qFatal("no control %s", qPrintable(name));
        return widget;
    }
    std::unique_ptr<RemoteServer> server_;
};

void TestRemote::cleanup() {
    server_.reset();
    // Limits are kept between runs; none is kept past its test.
    if (window_)
        for (int channel = 1; channel <= Harness::model().channels(); ++channel)
            Harness::model().setLimit(channel, -1);
    stop();
}

void TestRemote::commands_data() {
    QTest::addColumn<int>("part"); // the part dialog's button: 0 QV7301, 1 QV7310
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("errors");
    using L = QStringList;
    auto row = [](const char* name, int part, const char* fault, const QByteArray& line,
                  const char* reply, const L& requests, const L& errors = {}) {
        QTest::newRow(name) << part << QString(fault) << line << QString(reply) << requests
                            << errors;
    };
    row("*IDN? quad", 1, "", "*IDN?", "QVPANEL,QV7310,0,1.04", {});
    row("*IDN? single, lower case", 0, "", "*idn?", "QVPANEL,QV7301,0,1.04", {});
    row("CR before LF", 1, "", "*IDN?\r", "QVPANEL,QV7310,0,1.04", {});
    row("*OPC?", 1, "", "*OPC?", "1", {});
    // A setting's query answers what was set; OUTPut what the output holds.
    row("code, LDAC high: no refresh", 1, "",
        "DAC2:CODE 2048;DAC2:CODE?;DAC2:VOLT?;DAC2:CODE:OUTP?;DAC2:VOLT:OUTP?",
        "2048;15.0000;0;0.0000", {"221:0x2800"});
    row("hex code, LDAC low: refresh first", 1, "", "LDAC LOW;dac2:code #h800;DAC2:VOLTAGE?",
        "15.0000", {"227", "231", "231", "221:0x2800"});
    row("suffix left out is DAC1", 1, "", ":DAC:CODE 1;DAC1:CODE?", "1", {"221:0x1001"});
    row("volts, 30 V", 1, "", "DAC1:VOLT 15;DAC1:CODE?", "2048", {"221:0x1800"});
    row("volts, 60 V", 1, "", "RANG 60;DAC3:VOLT 59.9854;DAC3:CODE?", "4095",
        {"229", "231", "221:0x3fff"});
    row("volts to the nearest code", 1, "", "DAC4:VOLT 0.0037;DAC4:CODE?;DAC4:VOLT +2.5E-3", "1",
        {"221:0x4001", "221:0x4000"});
    row("all, code", 1, "", "DAC:ALL:CODE 4095;DAC4:CODE?", "4095", {"221:0x5fff"});
    row("all, volts", 1, "", "DAC:ALL:VOLT 7.5;DAC1:CODE?", "1024", {"221:0x5400"});
    row("single, its one channel", 0, "", "DAC1:CODE 291;DAC1:CODE?;LDAC:PULS;DAC1:VOLT?",
        "291;2.1313", {"221:0x1123", "222", "231"});
    row("single, all", 0, "", "DAC:ALL:CODE 1", "", {}, {Conflict});
    row("single, DAC2", 0, "", "DAC2:CODE 1\nDAC2:CODE?", "", {}, {Suffix, Suffix});
    row("single, power", 0, "", "DAC1:POW ON;DAC1:POW?", "1", {"221:0x7004"});
    row("single, power DAC2", 0, "", "DAC2:POW ON", "", {}, {Suffix});
    row("pulse LDAC", 1, "", "LDAC:PULSE;LDAC?", "HIGH", {"222", "231"});
    row("LDAC low and high", 1, "", "LDAC LOW;LDAC?;LDAC HIGH;LDAC?", "LOW;HIGH",
        {"227", "231", "226", "231"});
    row("CLR", 1, "", "CLR:PULS;CLR HIGH;CLR LOW", "", {"219", "218", "218", "219"});
    row("range", 1, "", "RANG 60;RANG?;RANGE 30;RANGE?", "60;30", {"229", "231", "228", "231"});
    row("power", 1, "",
        "DAC1:POW ON;DAC2:POW ON;DAC3:POWER ON;DAC4:POW 1;DAC2:POW OFF;"
        "DAC2:POW?;DAC3:POW?",
        "0;1", {"221:0x7004", "221:0x700c", "221:0x701c", "221:0x703c", "221:0x7034"});
    row("power-down mode", 1, "", "PDM TRIS;PDM?;PDMODE gnd;PDM?", "TRIS;GND",
        {"221:0x7080", "221:0x7000"});
    row("serial word", 1, "", "WORD?;DAC1:CODE 10;WORD?", R"("";0x100A)", {"221:0x100a"});
    row("board status", 1, "", "BOAR:STAT?", R"(0,"Board: ready")", {});
    row("reload", 1, "", "BOARD:RELOAD", "", {"load", "224"});
    row("reset", 1, "", "*RST", "", Reset);
    row("reset after CLR low at 60 V", 1, "", "RANG 60;LDAC LOW;DAC1:CODE 4000;CLR LOW;*RST", "",
        QStringList{"229", "231", "227", "231", "230", "221:0x1fa0", "219"} + Reset);
    row("empty queue", 1, "", "SYST:ERR?;SYSTEM:ERROR:NEXT?", R"(0,"No error";0,"No error")", {});
    row("clear queue", 1, "", "FOO\n*CLS", "", {});

    // IEEE 488.2 common commands and the status byte.
    row("*ESE, *SRE: bit 6 is always 0", 1, "", "*ESE 36;*ESE?;*SRE 255;*SRE?", "36;191", {});
    row("*ESR? reads and clears", 1, "", "FOO\n*ESR?;*ESR?", "32;0", {}, {Undefined});
    row("*ESR? error classes and *OPC", 1, "", "DAC1:CODE 5000\nBAR\n*OPC;*ESR?", "49", {},
        {OutOfRange, Undefined});
    row("*STB?: queue, ESB and MSS", 1, "", "FOO\n*ESE 32;*SRE 32;*STB?;*SRE 0;*STB?", "100;52", {},
        {Undefined});
    row("*TST?, *OPC?, *WAI", 1, "", "*TST?;*OPC?;*WAI;*OPC;*ESR?", "0;1;1", {});
    row("*TST? without a board", 1, "unplug", "BOAR:REL\n*TST?", "1", {"load", "224"},
        {R"(-240,"Hardware error;No Evaluation Board Found: -4")",
         R"(-240,"Hardware error;request 224 returned status -4")"});
    row("*CLS clears events and queue", 1, "", "FOO\n*CLS;*ESR?;SYST:ERR:COUN?;*STB?", "0;0;16",
        {});
    // SCPI-1999 required commands.
    row("version", 1, "", "SYST:VERS?", "1999.0", {});
    row("client name", 1, "", "SYST:CLI?;CLI \"Tango\";CLI?;CLI 'a''b\"c';CLI?",
        R"("";"Tango";"a'b""c")", {});
    row("client name: not a string", 1, "", "SYST:CLI Tango;CLI?", "", {},
        {R"(-151,"Invalid string data")"});
    row("client name: not printable ASCII", 1, "", "SYST:CLI \"Ta\xc3\xb1go\"", "", {},
        {R"(-151,"Invalid string data")"});
    row("client name: over 64 characters", 1, "", "SYST:CLI \"" + QByteArray(65, 'x') + "\"", "",
        {}, {TooMuch});
    row("error count and all", 1, "", "FOO\nBAR\nSYST:ERR:COUN?;:SYST:ERR:ALL?;:SYST:ERR:COUN?",
        R"(2;-113,"Undefined header",-113,"Undefined header";0)", {});
    row("operation: caution", 1, "",
        "RANG 60;DAC1:CODE 4000;LDAC:PULS;STAT:OPER:COND?;:STAT:OPER?;:STAT:OPER:EVEN?",
        "512;512;0", {"229", "231", "221:0x1fa0", "222", "230"});
    row("operation summary", 1, "",
        "STAT:OPER:ENAB 512;ENAB?;:RANG 60;DAC1:CODE 4000;*STB?;LDAC:PULS;*STB?", "512;16;144",
        {"229", "231", "221:0x1fa0", "222", "230"});
    row("questionable: board not ready", 1, "fail",
        "STAT:QUES:ENAB 512\nCLR HIGH\nSTAT:QUES:COND?;:STAT:QUES?;:STAT:QUES?;*STB?",
        "512;512;0;20", {"218"}, {R"(-240,"Hardware error;request 218 returned status -7")"});
    row("status preset", 1, "",
        "STAT:OPER:ENAB 512;:STAT:QUES:ENAB 512;:STAT:PRES;:STAT:OPER:ENAB?;:STAT:QUES:ENAB?",
        "0;0", {});

    // Paths.
    row("path: the previous command's", 1, "", "DAC1:CODE 20;CODE?;*OPC;CODE?;:DAC3:CODE?",
        "20;20;0", {"221:0x1014"});
    row("path: from the root when not found there", 1, "", "DAC1:POW ON;DAC2:POW ON;POW?;LDAC?",
        "1;HIGH", {"221:0x7004", "221:0x700c"});
    row("path: a leaf is no path", 1, "", "SYST:ERR?;COUN?", R"(0,"No error")", {}, {Undefined});
    row("an error ends its line", 1, "", "RANG 3O;DAC1:CODE 4000;LDAC:PULS", "", {},
        {BadCharacter});
    row("an error ends its line, not the next", 1, "", "DAC1:CODE 1;FOO;;DAC2:CODE 2\nDAC3:CODE 3",
        "", {"221:0x1001", "221:0x3003"}, {Undefined});

    // Numbers and units.
    row("codes: MIN, MAX, DEF", 1, "", "DAC1:CODE MAX;CODE?;CODE? MIN;CODE? MAXIMUM;CODE? def",
        "4095;0;4095;0", {"221:0x1fff"});
    row("volts: MIN, MAX, DEF", 1, "", "DAC1:VOLT? MAX;VOLT? MIN;:RANG 60;:DAC1:VOLT? MAX",
        "29.9927;0.0000;59.9854", {"229", "231"});
    row("volts set to MAX, DEF, MIN", 1, "",
        "DAC1:VOLT MAX;CODE?;VOLT DEF;CODE?;VOLT MAX;VOLT MIN;CODE?", "4095;0;0",
        {"221:0x1fff", "221:0x1000", "221:0x1fff", "221:0x1000"});
    row("volts: units", 1, "",
        "DAC1:VOLT 15 V;CODE?;VOLT 7500 mV;CODE?;VOLT 15v;CODE?;VOLT 7.5E3MV;CODE?",
        "2048;1024;2048;1024", {"221:0x1800", "221:0x1400", "221:0x1800", "221:0x1400"});
    row("codes: #B, #Q, #H, exponent, integral decimal", 1, "",
        "DAC1:CODE #B101;CODE?;CODE #Q17;CODE?;CODE 1E3;CODE?;CODE 100.0;CODE?;CODE #h7fF;CODE?",
        "5;15;1000;100;2047",
        {"221:0x1005", "221:0x100f", "221:0x13e8", "221:0x1064", "221:0x17ff"});
    row("codes: every decimal form", 1, "", "DAC1:CODE 60;CODE?;CODE 60.0;CODE?;CODE 6E1;CODE +60",
        "60;60", QStringList(4, "221:0x103c"));
    row("codes and registers: a fraction rounds", 1, "",
        "DAC1:CODE 1.5;CODE?;CODE 2.4;CODE?;CODE 4094.5;CODE?;*ESE 36.4;*ESE?", "2;2;4095;36",
        {"221:0x1002", "221:0x1002", "221:0x1fff"});
    row("volts: multipliers", 1, "",
        "DAC1:VOLT 0.0075 KV;CODE?;VOLT 15000000 UV;CODE?;VOLT 1 uV;CODE?;VOLT 1E-400;CODE?",
        "1024;2048;0;0", {"221:0x1400", "221:0x1800", "221:0x1000", "221:0x1000"});
    row("all: the same forms", 1, "",
        "DAC:ALL:VOLT 7500 MV;:DAC4:CODE?;:DAC:ALL:CODE 6E1;:DAC2:CODE?", "1024;60",
        {"221:0x5400", "221:0x503c"});
    row("range: every decimal form", 1, "", "RANG 60.0;RANG?;RANG 30;RANG 6E1;RANG?;RANG +60;RANG?",
        "60;60;60", {"229", "231", "228", "231", "229", "231", "229", "231"});
    row("range: units", 1, "",
        "RANG 60 V;RANG?;RANG 30V;RANG?;RANG 0.06 KV;RANG?;RANG 30000 mV;RANG?", "60;30;60;30",
        {"229", "231", "228", "231", "229", "231", "228", "231"});
    row("range: MIN, MAX, DEF", 1, "",
        "RANG MAX;RANG?;RANG MIN;RANG?;RANG MAX;RANG DEF;RANG?;RANG? MAX;RANG? MIN;RANG? DEF",
        "60;30;30;60;30;30", {"229", "231", "228", "231", "229", "231", "228", "231"});
    // Booleans answer 1 or 0 and take any number, rounded: not 0 is ON.
    row("booleans", 1, "",
        "DAC1:POW 1;POW?;POW 0;POW?;POW 0.4;POW?;POW 0.5;POW?;POW 0;POW -3;POW?;POW 0;POW 2E0;"
        "POW?;POW off;POW on;POW?",
        "1;0;0;1;1;1;1",
        {"221:0x7004", "221:0x7000", "221:0x7000", "221:0x7004", "221:0x7000", "221:0x7004",
         "221:0x7000", "221:0x7004", "221:0x7000", "221:0x7004"});
    row("a setting's query while LDAC is high", 1, "",
        "DAC1:VOLT 7.5;VOLT?;VOLT:OUTP?;:DAC1:CODE?;CODE:OUTP?;:LDAC:PULS;:DAC1:VOLT:OUTP?;"
        ":DAC1:CODE:OUTP?;:RANG 60;:DAC1:VOLT?;VOLT:OUTP?",
        "7.5000;0.0000;1024;0;7.5000;1024;15.0000;15.0000",
        {"221:0x1400", "222", "231", "229", "231"});
    row("outputs held at 0 by CLR", 1, "",
        "LDAC LOW;DAC3:CODE 100;CLR LOW;DAC3:CODE?;CODE:OUTP?;:DAC3:VOLT?;VOLT:OUTP?",
        "100;0;0.7324;0.0000", {"227", "231", "231", "221:0x3064", "219"});
    row("single, output queries", 0, "", "DAC1:CODE 291;CODE:OUTP?;:LDAC:PULS;:DAC1:CODE:OUTP?",
        "0;291", {"221:0x1123", "222", "231"});

    // Errors, one per line since an error ends its line.
    row("undefined headers", 1, "",
        "FOO\n*RST?\nLDAC:PULS?\nCLR?\nDAC1:ALL:CODE 1\nWORD\nDAC:ALL:CODE?", "", {},
        L(7, Undefined));
    row("keywords neither short nor long", 1, "", "RAN 30\nDAC1:VOLTA 1\nRANGES 60", "", {},
        L(3, Undefined));
    row("suffix out of range", 1, "", "DAC5:CODE 1\nDAC0:VOLT 1\nDAC9:POW?", "", {}, L(3, Suffix));
    row("syntax", 1, "", "DAC1::CODE 1\nDAC%:CODE 1\n*\n:", "", {}, L(4, Syntax));
    row("parameter not allowed", 1, "",
        "*IDN? 1\nLDAC:PULS 1\nDAC1:CODE 1,2\nDAC1:POW? ON\nDAC1:CODE? 5", "", {},
        L(5, NotAllowed));
    row("missing parameter", 1, "", "DAC1:CODE\nRANG\n*ESE", "", {}, L(3, Missing));
    row("invalid suffix", 1, "", "DAC1:VOLT 1 A\nRANG 60 HZ\nDAC1:VOLT:LIM 1 S", "", {},
        L(3, BadSuffix));
    row("suffix not allowed", 1, "", "DAC1:CODE 1 V\n*ESE 1V\nDAC1:POW 1 V\nDAC1:CODE 1 A", "", {},
        L(4, NoSuffix));
    row("character data not allowed", 1, "", "DAC1:CODE FOO\nDAC1:VOLT HIGH\n*ESE MAX\nRANG FOO",
        "", {}, L(4, NoCharacters));
    row("out of range", 1, "",
        "DAC1:CODE 4096\nDAC1:CODE -1\nDAC1:CODE #H1000\nDAC1:VOLT 30\nDAC1:VOLT -0.01\n"
        "DAC1:CODE 1E4\n*ESE 256\nSTAT:OPER:ENAB 65536\nDAC1:VOLT 1E400\nDAC1:VOLT 1 KV\n"
        "RANG 1 UV\nRANG 90\nDAC1:CODE 4095.5\nDAC1:CODE 1E32000",
        "", {}, L(14, OutOfRange));
    row("illegal values", 1, "", "RANG 45\nLDAC MIDDLE\nPDM OPEN\nDAC1:POW MAYBE\nDAC1:POW MAX", "",
        {}, L(5, Illegal));
    // A malformed number gets the error that names its fault.
    row("invalid character in number", 1, "",
        "DAC1:CODE #HXYZ\nRANG 3O\nDAC1:CODE 1.2.3\nDAC1:VOLT 1EV\nDAC1:CODE 0x10\n*ESE #B102\n"
        "DAC1:VOLT 2A",
        "", {}, L(7, BadCharacter));
    row("exponent too large", 1, "", "DAC1:VOLT 1E32001\nDAC1:CODE 1E-99999", "", {},
        L(2, BigExponent));
    row("numeric data not allowed", 1, "",
        "LDAC 1\nPDM 0\nCLR 1\nDAC1:VOLT #H10\nRANG #H3C\nDAC1:POW #H1\nDAC1:VOLT:LIM #H10", "", {},
        L(7, NoNumbers));
    row("numeric data error", 1, "", "DAC1:CODE +\nDAC1:VOLT .\nDAC1:CODE 1E+\nDAC1:CODE #Z1", "",
        {}, L(4, NumericData));
    row("data type error", 1, "", "DAC1:CODE \"5\"\nDAC1:POW (1)", "", {}, L(2, DataType));
    row("queue overflow", 1, "", QByteArray("FOO\n").repeated(17), "", {},
        L(15, Undefined) << Overflow);
    // Rows that each would fail if one status rule or parameter rule broke.
    row("questionable summary follows its enable", 1, "fail",
        "STAT:QUES:ENAB 0\nCLR HIGH\nSYST:ERR?;*STB?;:STAT:QUES:ENAB 512;*STB?",
        R"(-240,"Hardware error;request 218 returned status -7";16;24)", {"218"});
    row("*CLS clears the questionable event", 1, "fail",
        "STAT:QUES:ENAB 512\nCLR HIGH\n*CLS;:STAT:QUES?", "0", {"218"});
    row("enable masks keep bit 15 at 0", 1, "",
        "STAT:OPER:ENAB 65535;ENAB?;:STAT:QUES:ENAB 65535;ENAB?", "32767;32767", {});
    row("negative enables refused", 1, "", "*ESE -1\nSTAT:OPER:ENAB -1\n*ESE?;:STAT:OPER:ENAB?",
        "0;0", {}, {OutOfRange, OutOfRange});
    row("a leading colon after a query's ';'", 1, "", "DAC1:CODE 1;:CODE?", "", {"221:0x1001"},
        {Undefined});
    row("a bare #H, #B or #Q", 1, "", "DAC1:CODE #H\nDAC1:CODE #B\nDAC1:CODE #Q", "", {},
        L(3, NumericData));
    // The lost error's class stays unset; -350 sets the device-dependent bit 3.
    row("queue overflow: ESR bit 3", 1, "", QByteArray("DAC1:CODE 5000\n").repeated(17) + "*ESR?",
        "24", {}, L(15, OutOfRange) << Overflow);
    row("MAV while a reply waits", 1, "", "*STB?;*IDN?;*STB?", "0;QVPANEL,QV7310,0,1.04;16", {});
    row("failing board", 1, "fail", "CLR HIGH;BOAR:STAT?\nBOAR:STAT?",
        R"e(-7,"Board: not responding (status -7)")e", {"218"},
        {R"(-240,"Hardware error;request 218 returned status -7")"});
    row("reload without a board: no box", 1, "unplug", "BOAR:REL\nBOAR:STAT?",
        R"e(-4,"Board: not found (status -4)")e", {"load", "224"},
        {R"(-240,"Hardware error;No Evaluation Board Found: -4")",
         R"(-240,"Hardware error;request 224 returned status -4")"});

    // Output limits: nothing above one is sent, and the error names it.
    const char* dac2Over = R"(-222,"Data out of range;above the DAC2 limit of 20 V")";
    row("limit: write above", 1, "limit 2=20", "DAC2:CODE 2800", "", {}, {dac2Over});
    row("limit: write at it", 1, "limit 2=20", "DAC2:CODE 2730", "", {"221:0x2aaa"});
    row("limit: volts above", 1, "limit 2=20", "DAC2:VOLT 20.01", "", {}, {dac2Over});
    row("limit: all DACs, one limited", 1, "limit 3=10", "DAC:ALL:CODE 2000;DAC1:CODE?", "", {},
        {R"(-222,"Data out of range;above the DAC3 limit of 10 V")"});
    row("limit: range doubles a loaded code", 1, "limit 1=40",
        "LDAC LOW;DAC1:CODE 3000;RANG 60;RANG?", "", {"227", "231", "231", "221:0x1bb8"},
        {R"(-222,"Data out of range;above the DAC1 limit of 40 V")"});
    row("limit: range doubles a waiting code", 1, "limit 1=40", "DAC1:CODE 3000;RANG 60", "",
        {"221:0x1bb8"}, {R"(-222,"Data out of range;above the DAC1 limit of 40 V")"});
    row("limit: range under it", 1, "limit 1=40", "DAC1:CODE 2000;RANG 60", "",
        {"221:0x17d0", "229", "231"});
    row("limit: LDAC pulse of a code above a lowered limit", 1, "",
        "DAC1:CODE 3000;DAC1:VOLT:LIM 20;LDAC:PULS", "", {"221:0x1bb8"},
        {R"(-222,"Data out of range;above the DAC1 limit of 20 V")"});
    row("limit: LDAC low, the same", 1, "", "DAC1:CODE 3000;DAC1:VOLT:LIM 20;LDAC LOW", "",
        {"221:0x1bb8"}, {R"(-222,"Data out of range;above the DAC1 limit of 20 V")"});
    row("limit: LDAC while CLR holds 0", 1, "", "DAC1:CODE 3000;DAC1:VOLT:LIM 20;CLR LOW;LDAC:PULS",
        "", {"221:0x1bb8", "219", "222", "231"});
    row("limit: single part", 0, "limit all=10", "DAC1:CODE 2000", "", {},
        {R"(-222,"Data out of range;above the DAC1 limit of 10 V")"});
    row("limit: queries", 1, "limit 4=7.25",
        "DAC4:VOLT:LIM?;:DAC2:VOLTAGE:LIMIT?;LIMIT 12.5MV;LIM?;LIM OFF;LIM?",
        "7.2500;OFF;0.0125;OFF", {});
    row("limit: out of range", 1, "", "DAC2:VOLT:LIM 60.5", "", {},
        {R"(-222,"Data out of range")"});
    row("limit: negative", 1, "", "DAC2:VOLT:LIM -1", "", {}, {R"(-222,"Data out of range")"});
    row("limit: not a value", 1, "", "DAC2:VOLT:LIM ON", "", {},
        {R"(-224,"Illegal parameter value")"});
    row("limit: DAC2 of the single part", 0, "", "DAC2:VOLT:LIM 5", "", {},
        {R"(-114,"Header suffix out of range")"});
    // A channel is 1 to the part's count: no other form reaches a channel,
    // and none is taken for all of them.
    row("limit: malformed channels", 1, "limit all=10",
        "DAC0:VOLT:LIM OFF\nDAC00:VOLT:LIM OFF\nDAC-0:VOLT:LIM OFF\nDAC+1:VOLT:LIM OFF\n"
        "DAC1.0:VOLT:LIM OFF\nDAC5:VOLT:LIM OFF\nDAC0:CODE 4095\n"
        "DAC1:VOLT:LIM?;:DAC4:VOLT:LIM?",
        "10.0000;10.0000", {}, {Suffix, Suffix, Syntax, Syntax, Syntax, Suffix, Suffix});
    row("limit: channels of the single part", 0, "limit all=10",
        "DAC0:VOLT:LIM OFF\nDAC2:VOLT:LIM OFF\nDAC01:VOLT:LIM?", "10.0000", {}, {Suffix, Suffix});
    row("limit: -0 is 0", 1, "", "DAC2:VOLT:LIM -0;LIM?", "0.0000", {});
    // A kept limit that cannot be read holds its channel at 0 V: the full
    // scale at 60 V is refused, and only the range, LDAC and power go out.
    for (const char* kept : {"15abc", "20 V", "-5", "0x10", "20,5", "1e999", "nan", "inf", "100",
                             "60.5", "", "-0", "+20", "1e1", " ", "1..5"}) {
        const QByteArray name = "limit: kept limit1=" + QByteArray(kept) + " unreadable";
        row(name.constData(), 1, qPrintable(QString("kept %1").arg(kept)),
            "DAC1:VOLT:LIM?;:RANG 60;:LDAC LOW;:DAC1:POW ON;:DAC1:CODE 4095;:DAC1:CODE:OUTP?",
            "0.0000", {"229", "231", "227", "231", "221:0x7004"},
            {R"(-222,"Data out of range;above the DAC1 limit of 0 V")"});
    }
    row("limit: kept limit of the single part unreadable", 0, "kept 15abc",
        "RANG 60;:LDAC LOW;:DAC1:POW ON;:DAC1:CODE 1", "",
        {"229", "231", "227", "231", "221:0x7004"},
        {R"(-222,"Data out of range;above the DAC1 limit of 0 V")"});
    row("limit: kept limit1=59.5 read", 1, "kept 59.5",
        "DAC1:VOLT:LIM?;:RANG 60;:LDAC LOW;:DAC1:POW ON;:DAC1:CODE 4095", "59.5000",
        {"229", "231", "227", "231", "221:0x7004"},
        {R"(-222,"Data out of range;above the DAC1 limit of 59.5 V")"});

    const QByteArray command = "DAC1:CODE 1";
    const QByteArray longest = command + QByteArray(4096 - command.size(), ' ');
    row("4096-byte line", 1, "", longest, "", {"221:0x1001"});
    row("4096-byte line and CR", 1, "", longest + '\r', "", {"221:0x1001"});
    row("4097-byte line", 1, "", longest + ' ', "", {}, {TooMuch});
    row("5000-byte line", 1, "", command + QByteArray(5000 - command.size(), ' '), "", {},
        {TooMuch});
}

void TestRemote::commands() {
    QFETCH(int, part);
    QFETCH(QString, fault);
    QFETCH(QByteArray, line);
    QFETCH(QString, reply);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, errors);
    start(part);
    if (fault.startsWith("kept ")) {
        // The settings file as a hand edit or a damaged disk leaves it, read
        // by the next run.
        QFile file(QSettings().fileName());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(
            QString("[%1]\nlimit1=%2\n").arg(part ? "QV7310" : "QV7301", fault.mid(5)).toUtf8());
        file.close();
        start(part);
    }
    Client client(server_->port());
    QVERIFY(client.waitConnected());
    if (fault == "fail")
        SimBoard::get().failAfter(0, -7);
    else if (fault == "unplug")
        SimBoard::get().unplug();
    else if (fault.startsWith("limit ")) {
        const QStringList limit = fault.mid(6).split('=');
        for (int channel = 1; channel <= Harness::model().channels(); ++channel)
            if (limit[0] == "all" || limit[0].toInt() == channel)
                Harness::model().setLimit(channel, limit[1].toDouble());
    }
    const auto dialogs = answers_->shown.size();
    const int mark = SimBoard::get().callCount();
    QCOMPARE(client.ask(line), reply.isEmpty() ? QStringList() : QStringList{reply});
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), requests);
    QCOMPARE(client.errors(), errors);
    QCOMPARE(answers_->shown.size(), dialogs);
}

void TestRemote::resetRestoresStartState() {
    start(1);
    auto* box = child<QLineEdit>("txtInput(3)");
    box->setText("123");
    child<QAbstractButton>("InputSel(3)")->setChecked(true);
    Client client(server_->port());
    QVERIFY(client.waitConnected());
    QCOMPARE(client.ask("RANG 60;LDAC LOW;DAC1:POW ON;DAC4:POW ON;PDM TRIS;DAC:ALL:CODE 4095"),
             QStringList());
    QVERIFY(!child<QLabel>("Picture1")->isHidden());
    QVERIFY(!child<QLabel>("HVLED(2)")->isHidden());
    QCOMPARE(child<QPushButton>("cmdWrite(0)")->toolTip(), QString("DAC is powered up"));

    const int mark = SimBoard::get().callCount();
    QCOMPARE(client.ask("*RST"), QStringList());
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), Reset);
    QCOMPARE(SimBoard::get().state().clrHigh, 1);
    QCOMPARE(SimBoard::get().state().lampOn, 0);
    QVERIFY(child<QAbstractButton>("optRANGE(0)")->isChecked());
    for (int i = 0; i < 14; ++i)
        QCOMPARE(control<QAbstractButton>(*window_, "optPD1", i)->isChecked(),
                 QList<int>({0, 2, 5, 7, 9, 10, 12}).contains(i));
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(control<QPushButton>(*window_, "cmdWrite", k)->toolTip(),
                 QString("DAC is powered down"));
        QCOMPARE(control<QLabel>(*window_, "lblVoltage", k)->text(), QString("0.0000V"));
        QVERIFY(control<QLabel>(*window_, "HVLED", k)->isHidden());
        QCOMPARE(Harness::model().dacCode(k), 0);
    }
    QVERIFY(child<QLabel>("Picture1")->isHidden());
    QVERIFY(Harness::model().ldacIsHigh());
    QCOMPARE(box->text(), QString("123"));
    QVERIFY(child<QAbstractButton>("InputSel(3)")->isChecked());
    const SimState board = SimBoard::get().state();
    QCOMPARE(board.range60, 0);
    QCOMPARE(board.controlRegister, 0);
    QCOMPARE(board.dacRegister[3], 0);
    // The panel works on from there, in the 30 V range.
    QCOMPARE(client.ask("DAC2:CODE 2048;LDAC:PULS;DAC2:VOLT?;RANG?"), QStringList{"15.0000;30"});
    // The caution shown before the reset stays latched until read; a change
    // made at the window latches its event for the client too.
    QCOMPARE(client.ask("DAC2:CODE 4000;LDAC:PULS;:STAT:OPER?;:STAT:OPER:COND?"),
             QStringList{"512;0"});
    child<QAbstractButton>("optRANGE(1)")->click();
    QCOMPARE(client.ask("STAT:OPER:COND?;:STAT:OPER?;:STAT:OPER?"), QStringList{"512;512;0"});
}

void TestRemote::severalClients() {
    start(1);
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < RemoteServer::MaxClients; ++i) {
        clients.push_back(std::make_unique<Client>(server_->port()));
        QVERIFY(clients.back()->waitConnected());
    }
    Client& a = *clients[0];
    Client& b = *clients[1];
    // One panel, one error queue per client.
    QCOMPARE(a.ask("DAC3:CODE 100;FOO"), QStringList());
    QCOMPARE(b.ask("DAC3:CODE?"), QStringList{"100"});
    QCOMPARE(b.errors(), QStringList());
    QCOMPARE(a.errors(), QStringList{Undefined});
    for (auto& client : clients)
        QCOMPARE(client->ask("*OPC?"), QStringList{"1"});
    QCOMPARE(server_->clientCount(), RemoteServer::MaxClients);

    Client ninth(server_->port());
    QTRY_COMPARE(ninth.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(server_->clientCount(), RemoteServer::MaxClients);
    clients.back()->socket.disconnectFromHost();
    QTRY_COMPARE(server_->clientCount(), RemoteServer::MaxClients - 1);
    Client next(server_->port());
    QVERIFY(next.waitConnected());
    QCOMPARE(next.ask("DAC3:CODE?"), QStringList{"100"});
}

void TestRemote::clientLeavingMidLine() {
    start(1);
    const int mark = SimBoard::get().callCount();
    {
        Client client(server_->port());
        QVERIFY(client.waitConnected());
        QCOMPARE(client.ask("*OPC?"), QStringList{"1"});
        client.send("LDAC LOW\nDAC1:CODE 100");
        client.socket.disconnectFromHost();
        QTRY_COMPARE(server_->clientCount(), 0);
    }
    // The whole line ran, the unfinished one did not, and nothing else came.
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), QStringList({"227", "231"}));
    QCOMPARE(Harness::model().dacCode(0), 0);
    QVERIFY(window_->isVisible());
    Client next(server_->port());
    QVERIFY(next.waitConnected());
    QCOMPARE(next.ask("DAC1:CODE?;LDAC?"), QStringList{"0;LOW"});
    // A line that arrives in two reads is one line.
    next.send("DAC1:CO");
    QTest::qWait(50);
    QCOMPARE(next.ask("DE 7"), QStringList());
    QCOMPARE(next.ask("DAC1:CODE?"), QStringList{"7"});
    // A client that half-closes after its commands gets every reply, then
    // the end of the stream.
    Client done(server_->port());
    QVERIFY(done.waitConnected());
    done.send("DAC1:CODE 5\nDAC1:CODE?\n*IDN?;LDAC?\n");
    QCOMPARE(::shutdown(int(done.socket.socketDescriptor()), SHUT_WR), 0);
    QTRY_COMPARE(done.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(done.socket.readAll(), QByteArray("5\nQVPANEL,QV7310,0,1.04;LOW\n"));
    // Also when its input ends with many replies still queued: a client
    // whose receive window is small from the start sends about 13 MB of
    // replies' worth of queries, half-closes, and only then reads.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int window = 4096;
    QCOMPARE(::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window), 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server_->port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    QTcpSocket slow;
    QVERIFY(slow.setSocketDescriptor(fd));
    slow.setReadBufferSize(256);
    constexpr int Lines = 150000;
    slow.write(QByteArray("*IDN?;*IDN?;*IDN?;*IDN?\n").repeated(Lines));
    QTRY_COMPARE_WITH_TIMEOUT(slow.bytesToWrite(), 0, 30000);
    QCOMPARE(::shutdown(fd, SHUT_WR), 0);
    QByteArray replies;
    QElapsedTimer clock;
    clock.start();
    while (slow.state() != QAbstractSocket::UnconnectedState && clock.elapsed() < 60000) {
        QCoreApplication::processEvents();
        replies += slow.readAll();
    }
    replies += slow.readAll();
    QCOMPARE(replies.count('\n'), Lines);
}

// A client that sends queries and never reads its replies stays bounded in
// memory: the panel stops reading it once its unread replies pass a limit,
// and the socket's buffers make the client wait.
void TestRemote::unreadRepliesBounded() {
    start(1);
    ScpiExecutor executor(Harness::model());
    int pair[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    auto connection = std::make_unique<RemoteConnection>(pair[0], executor, 0, nullptr);
    QCOMPARE(::fcntl(pair[1], F_SETFL, O_NONBLOCK), 0);
    const QByteArray queries = QByteArray("*IDN?\n").repeated(10000);
    qint64 taken = 0;
    QElapsedTimer stalled;
    stalled.start();
    while (taken < (16 << 20) && stalled.elapsed() < 500) {
        const ssize_t sent =
            ::send(pair[1], queries.constData(), std::size_t(queries.size()), MSG_NOSIGNAL);
        if (sent > 0) {
            taken += sent;
            stalled.restart();
        }
        QCoreApplication::processEvents();
    }
    // About a megabyte of replies' worth of queries, and what the sockets hold.
    QVERIFY2(taken < (4 << 20), qPrintable(QString::number(taken)));
    connection.reset();
    ::close(pair[1]);
}

void TestRemote::closingWindowStopsServer() {
    start(1);
    Client client(server_->port());
    QVERIFY(client.waitConnected());
    QCOMPARE(client.ask("*OPC?"), QStringList{"1"});
    Harness::model().setResetOnExit(true);
    const int mark = SimBoard::get().callCount();
    window_->close();
    QTRY_COMPARE(client.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(server_->clientCount(), 0);
    Client late(server_->port());
    QTRY_COMPARE(late.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)), SafeState);
}

// A client that sends nothing for the idle time is closed, so that eight
// abandoned connections cannot lock every other client out; one that talks
// stays.
void TestRemote::idleClientClosed() {
    start(1);
    server_->setIdleSeconds(1);
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 0; i < RemoteServer::MaxClients; ++i) {
        idle.push_back(std::make_unique<Client>(server_->port()));
        QVERIFY(idle.back()->waitConnected());
    }
    QTRY_COMPARE(server_->clientCount(), RemoteServer::MaxClients);
    QTRY_COMPARE_WITH_TIMEOUT(server_->clientCount(), 0, 5000);
    Client talking(server_->port());
    QVERIFY(talking.waitConnected());
    for (int i = 0; i < 3; ++i) {
        QTest::qWait(400);
        QCOMPARE(talking.ask("*OPC?"), QStringList{"1"});
    }
    QCOMPARE(server_->clientCount(), 1);
}

// A client flooding the panel with lines gets a turn of a few lines at a
// time: another client's query waits behind at most a couple of its turns,
// counted in lines (the flood's codes count up; the query reads how far it got).
void TestRemote::floodingClientTakesTurns() {
    start(1);
    Client flood(server_->port());
    Client other(server_->port());
    QVERIFY(flood.waitConnected());
    QVERIFY(other.waitConnected());
    QByteArray lines;
    for (int code = 1; code <= 4000; ++code)
        lines += "DAC1:CODE " + QByteArray::number(code) + '\n';
    flood.send(lines);
    // Let the flood's first chunk arrive and start running, one pass of the
    // event loop at a time (a timed wait would let it run on meanwhile).
    QElapsedTimer clock;
    clock.start();
    while (Harness::model().code(1) == 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents();
    const int before = Harness::model().code(1);
    QVERIFY(before > 0);
    const QStringList reply = other.ask("DAC1:CODE?");
    QCOMPARE(reply.size(), 1);
    // Lines of the flood that ran between the query's arrival and its reply.
    const int ran = reply[0].toInt() - before;
    QVERIFY2(ran >= 0 && ran <= 3 * 16 && reply[0].toInt() < 4000,
             qPrintable(QString("%1 of the flood's 4000 lines had run when the query came, %2 "
                                "when it was answered")
                            .arg(before)
                            .arg(reply[0])));
    // And the flood is not lost: all of it runs.
    QTRY_COMPARE_WITH_TIMEOUT(Harness::model().code(1), 4000, 20000);
}

void TestRemote::commandLine_data() {
    QTest::addColumn<QStringList>("arguments"); // PORT stands for `port`
    QTest::addColumn<QString>("port");          // "free", "busy", "display" (none) or empty
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");   // a pattern that stdout starts with
    QTest::addColumn<QString>("error");    // a line stderr holds
    QTest::addColumn<QString>("identity"); // *IDN? over the server, when it runs
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<bool>("absent"); // no board connected
    const QStringList started = {"load", "224"};
    const QStringList none = {"<no trace>"};
    // Help, version and option errors need no display.
    QTest::newRow("version, no display")
        << QStringList{"--version"} << "display" << 0 << "qv7310 1.04\n"
        << ""
        << "" << none << false;
    QTest::newRow("help, no display") << QStringList{"--help"} << "display" << 0 << "Usage: "
                                      << ""
                                      << "" << none << false;
    QTest::newRow("unknown option, no display")
        << QStringList{"--frobnicate"} << "display" << 2 << ""
        << "qv7310: Unknown option 'frobnicate'."
        << "" << none << false;
    // Qt's own options are Qt's to tell, also with no display to start on.
    QTest::newRow("help with Qt's options, no display")
        << QStringList{"--help-all"} << "display" << 0
        << "Usage: qv7310 \\[options\\].*--part <PART>.*\n  --platform <platformName"
        << ""
        << "" << none << false;
    QTest::newRow("Qt's options beside an unknown one, no display")
        << QStringList{"-reverse", "-style", "fusion", "--frobnicate"} << "display" << 2 << ""
        << "qv7310: Unknown option 'frobnicate'."
        << "" << none << false;
    QTest::newRow("a stray word after Qt's option and its value")
        << QStringList{"--part", "QV7310", "-style", "fusion", "stray"} << "display" << 2 << ""
        << "qv7310: unexpected argument \"stray\""
        << "" << none << false;
    QTest::newRow("unknown part") << QStringList{"--remote", "--part", "QV7399"} << "" << 2 << ""
                                  << "qv7310: --part QV7399: unknown part (QV7301 or QV7310)"
                                  << "" << none << false;
    QTest::newRow("bad port") << QStringList{"--part", "QV7310", "--remote-port", "70000"} << ""
                              << 2 << ""
                              << "qv7310: --remote-port 70000: not a port number (0 to 65535)"
                              << "" << none << false;
    // A sign, a fraction or zeros name no channel: 0 would be all of them.
    for (const char* limit :
         {"5=3", "all=61", "2=-1", "2", "x=4", "0=off", "0=20", "00=20", "-0=20", "+1=20", "1.0=20",
          "000000000000=off", "=20", "99999999999=20"})
        QTest::newRow(qPrintable(QString("bad limit %1").arg(limit)))
            << QStringList{"--limit", limit} << "display" << 2 << ""
            << QString("qv7310: --limit %1: not CH=VOLTS (CH 1 to 4 or all, VOLTS 0 to 60 or off)")
                   .arg(limit)
            << "" << none << false;
    QTest::newRow("a channel the part given lacks")
        << QStringList{"--part", "QV7301", "--limit", "2=20"} << "display" << 2 << ""
        << "qv7310: --limit 2: the part has no DAC2"
        << "" << none << false;
    QTest::newRow("bad idle time")
        << QStringList{"--remote-idle", "-5"} << "display" << 2 << ""
        << "qv7310: --remote-idle -5: not a number of seconds (0 to 86400)"
        << "" << none << false;
    QTest::newRow("journal cannot be opened")
        << QStringList{"--part", "QV7310", "--journal", "/nonexistent/notebook.jsonl"} << "" << 1
        << ""
        << "qv7310: --journal /nonexistent/notebook.jsonl: cannot open it: No such file or "
           "directory"
        << "" << none << false;
    QTest::newRow("bad address") << QStringList{"--remote-address", "panel"} << "" << 2 << ""
                                 << "qv7310: --remote-address panel: not an IP address"
                                 << "" << none << false;
    QTest::newRow("single part, headless, Qt's own option")
        << QStringList{"--part", "qv7301",    "--remote", "--remote-port",
                       "PORT",   "-platform", "offscreen"}
        << "free" << 0 << ""
        << ""
        << "QVPANEL,QV7301,0,1.04" << started + SafeState << false;
    QTest::newRow("any free port")
        << QStringList{"--part", "QV7310", "--remote-port", "0"} << "" << 0 << ""
        << ""
        << "QVPANEL,QV7310,0,1.04" << started + SafeState << false;
    // A panel without the server it was asked for ends before any board call.
    QTest::newRow("port in use")
        << QStringList{"--part", "QV7310", "--remote-port", "PORT"} << "busy" << 1 << ""
        << "qv7310: remote control not started: cannot listen on 127.0.0.1:PORT: "
           "The bound address is already in use"
        << "" << none << false;
    QTest::newRow("not loopback")
        << QStringList{"--part", "QV7310", "--remote-address", "0.0.0.0", "--remote-port", "PORT"}
        << "free" << 0 << ""
        << "qv7310: warning: remote control on 0.0.0.0:PORT can be reached from other "
           "machines and asks for no authentication"
        << "QVPANEL,QV7310,0,1.04" << started + SafeState << false;
    // Nobody can dismiss a box on a headless panel: the missing board is
    // reported on stderr, and the server still starts.
    // Without a board the exit's safe state fails: status 3 says so.
    QTest::newRow("no board, headless")
        << QStringList{"--part", "QV7310", "--remote", "--remote-port", "PORT"} << "free" << 3 << ""
        << "qv7310: No Evaluation Board Found [: -4]"
        << "QVPANEL,QV7310,0,1.04" << started + SafeState << true;
}

void TestRemote::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, port);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QFETCH(QString, identity);
    QFETCH(QStringList, trace);
    QFETCH(bool, absent);
    QTcpServer busy;
    quint16 number = 0;
    if (port == "busy") {
        QVERIFY(busy.listen(QHostAddress::LocalHost, 0));
        number = busy.serverPort();
    } else if (port == "free") {
        number = freePort();
    }
    arguments.replaceInStrings("PORT", QString::number(number));
    error.replace("PORT", QString::number(number));
    QTemporaryDir temp;
    const QString tracePath = temp.filePath("trace.txt");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // A runtime folder of its own: a panel a person runs holds the user's lock.
    environment.insert("XDG_RUNTIME_DIR", temp.path());
    environment.insert("XDG_CONFIG_HOME", temp.path());
    if (port == "display") {
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
    }
    environment.insert("BOARDPORT_TRACE", tracePath);
    environment.insert("BOARDPORT_ABSENT", absent ? "1" : "");
    QProcess panel;
    panel.setProcessEnvironment(environment);
    panel.start(QCoreApplication::applicationDirPath() + "/qv7310", arguments);
    QVERIFY(panel.waitForStarted());
    QString errors;
    auto stderrHas = [&] {
        errors += QString::fromLocal8Bit(panel.readAllStandardError());
        return errors.split('\n').contains(error);
    };
    QString out;
    // 3: the panel ran, and the exit's safe state failed.
    if ((exitCode == 0 || exitCode == 3) && output.isEmpty()) {
        // The panel runs: reach it on the port it announces, then end it as
        // a service manager would.
        if (!error.isEmpty())
            QTRY_VERIFY2_WITH_TIMEOUT(stderrHas(), qPrintable(errors), 20000);
        const QRegularExpression announced(R"(^qv7310: remote control on ([0-9.]+):(\d+)\n)");
        QRegularExpressionMatch match;
        QTRY_VERIFY_WITH_TIMEOUT(
            (match = announced.match(out += QString::fromLocal8Bit(panel.readAllStandardOutput())))
                .hasMatch(),
            20000);
        if (number != 0)
            QCOMPARE(match.captured(2).toUShort(), number);
        Client client(match.captured(2).toUShort());
        QVERIFY(client.waitConnected());
        QCOMPARE(client.ask("*IDN?"), QStringList{identity});
        panel.terminate();
    }
    QVERIFY(panel.waitForFinished(30000));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), exitCode);
    out += QString::fromLocal8Bit(panel.readAllStandardOutput());
    QVERIFY2(QRegularExpression(output, QRegularExpression::DotMatchesEverythingOption)
                 .match(out, 0, QRegularExpression::NormalMatch,
                        QRegularExpression::AnchorAtOffsetMatchOption)
                 .hasMatch(),
             qPrintable(out));
    if (!error.isEmpty())
        QVERIFY2(stderrHas(), qPrintable(errors));
    QCOMPARE(traceCalls(tracePath), trace);
}

// A limit set over remote control or in the Limits window reads back in the
// next run as the very number it was.
void TestRemote::limitKeptExactly_data() {
    QTest::addColumn<QString>("how"); // "remote" or "window"
    QTest::addColumn<QString>("text");
    for (const char* text : {"12.345678901", "10 UV", "0.1", "59.999999999999", "60", "0", "-0"})
        QTest::newRow(qPrintable(QString("remote %1").arg(text))) << "remote" << text;
    for (const char* text : {"12.3456", "0.0001", "60", "0"})
        QTest::newRow(qPrintable(QString("window %1").arg(text))) << "window" << text;
}

void TestRemote::limitKeptExactly() {
    QFETCH(QString, how);
    QFETCH(QString, text);
    start(1);
    if (how == "remote") {
        Client client(server_->port());
        QVERIFY(client.waitConnected());
        QCOMPARE(client.ask("DAC3:VOLT:LIM " + text.toLatin1()), QStringList());
        QCOMPARE(client.errors(), QStringList());
    } else {
        answers_->onShow = [&](QDialog& dialog) {
            if (auto* limits = qobject_cast<frmLimits*>(&dialog))
                limits->field(3)->setText(text);
        };
        control<QAction>(*window_, "mnuLimits")->trigger();
    }
    const double set = Harness::model().limit(3);
    QVERIFY(set >= 0);
    start(1);
    const double read = Harness::model().limit(3);
    QVERIFY2(read == set && !std::signbit(read),
             qPrintable(QString("set %1, read %2 (kept as \"%3\")")
                            .arg(set, 0, 'g', 17)
                            .arg(read, 0, 'g', 17)
                            .arg(QSettings().value("QV7310/limit3").toString())));
    QVERIFY(window_->windowTitle().endsWith(" (limits on)"));
}

// The panel run as a script runs it, with folders of its own: --limit holds
// for its run and is not kept; a kept limit that cannot be read holds its
// channel at 0 V and is said on stderr.
void TestRemote::commandLineLimitHoldsForItsRun() {
    QTemporaryDir temp;
    const QString kept = temp.filePath("QVPANEL/QV7310.conf");
    QVERIFY(QDir().mkpath(temp.filePath("QVPANEL")));
    {
        QFile file(kept);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[QV7310]\nlimit1=15abc\nlimit3=30\n");
    }
    const QString tracePath = temp.filePath("trace.txt");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_RUNTIME_DIR", temp.path());
    environment.insert("XDG_CONFIG_HOME", temp.path());
    environment.insert("BOARDPORT_TRACE", tracePath);
    environment.insert("BOARDPORT_ABSENT", "");
    auto run = [&](const QStringList& limits, const QList<QByteArray>& lines) {
        QFile::remove(tracePath);
        return runPanel(environment, QStringList{"--part", "QV7310", "--remote-port", "0"} + limits,
                        lines);
    };
    const QByteArray limitsNow = "DAC1:VOLT:LIM?;:DAC2:VOLT:LIM?;:DAC3:VOLT:LIM?;:DAC4:VOLT:LIM?";
    QStringList seen = run({"--limit", "2=20", "--limit", "3=off"},
                           {limitsNow, "RANG 60;:LDAC LOW;:DAC1:POW ON;:DAC1:CODE 4095"});
    QCOMPARE(seen.mid(0, 2),
             QStringList({"0.0000;20.0000;OFF;OFF",
                          R"(-222,"Data out of range;above the DAC1 limit of 0 V")"}));
    QVERIFY2(seen.contains("qv7310: " + kept +
                           ": limit1=15abc under [QV7310] is not a limit from 0 to 60 V: DAC1 may "
                           "not go above 0 V until its limit is set again"),
             qPrintable(seen.join('\n')));
    const QStringList calls = traceCalls(tracePath);
    QVERIFY2(calls.contains("221:0x7004") && !calls.contains("221:0x1fff"),
             qPrintable(calls.join(' ')));
    // Nothing of that run's --limit is kept; what was kept stays.
    {
        const QSettings settings(kept, QSettings::IniFormat);
        QCOMPARE(settings.allKeys(), QStringList({"QV7310/limit1", "QV7310/limit3"}));
        QCOMPARE(settings.value("QV7310/limit1").toString(), QString("15abc"));
    }
    seen = run({}, {limitsNow, "DAC1:VOLT:LIM 12.5"});
    QCOMPARE(seen.mid(0, 1), QStringList({"0.0000;OFF;30.0000;OFF"}));
    // Set again over remote control, the limit is read, and kept.
    seen = run({}, {limitsNow});
    QCOMPARE(seen.mid(0, 1), QStringList({"12.5000;OFF;30.0000;OFF"}));
    QVERIFY2(!seen.join('\n').contains("limit1"), qPrintable(seen.join('\n')));
}

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
