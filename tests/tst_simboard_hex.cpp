// Exercises the simulated board library through QLibrary, the way the panel
// loads the real one: firmware image checks, the modelled converter, fault
// injection, the call log and the trace file.
#include "board/USBStuff.h"
#include "simboard/SimboardClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Serial words: address in bits 12..14, data in bits 0..11.
constexpr int kPowerUpChannel1 = 0x7004;
constexpr int kPowerUpChannel2 = 0x7008;
constexpr int kPowerUpAll = 0x703C;

bool sameRegisters(const SimState& a, const SimState& b) {
    for (int k = 0; k < 4; ++k) {
        if (a.inputRegister[k] != b.inputRegister[k] || a.dacRegister[k] != b.dacRegister[k] ||
            a.output[k] != b.output[k]) {
            return false;
        }
    }
    return a.controlRegister == b.controlRegister;
}

bool sameState(const SimState& a, const SimState& b) {
    return sameRegisters(a, b) && a.firmwareLoaded == b.firmwareLoaded && a.started == b.started &&
           a.clrHigh == b.clrHigh && a.ldacHigh == b.ldacHigh && a.range60 == b.range60 &&
           a.lampOn == b.lampOn && a.lastWord == b.lastWord;
}

} // namespace

class TestSimboardHex : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shippedFirmwareIsAccepted();
    void checkerVerdict_data();
    void checkerVerdict();
    void downloadVerdict_data();
    void downloadVerdict();
    void checkerStaysInsideTheBuffer();
    void missingFileIsRejected();
    void specialFileIsRefusedAtOnce_data();
    void specialFileIsRefusedAtOnce();
    void oversizedFileIsRejected();
    void absentBoardRefusesEverything();
    void requestsNeedFirmware();
    void unknownRequestIsRejected();

    void channelTwoAtHalfScale_data();
    void channelTwoAtHalfScale();
    void ldacHighHoldsUntilPulse();
    void ldacLowPassesWaitingInputs();
    void broadcastWritesAllChannels();
    void poweredDownChannelReadsZero_data();
    void poweredDownChannelReadsZero();
    void unusedAddressesChangeNothing_data();
    void unusedAddressesChangeNothing();
    void bit15IsIgnored();
    void clrLowClearsRegisters();
    void lineAndLampRequests_data();
    void lineAndLampRequests();
    void panelRequestsReachTheBoard_data();
    void panelRequestsReachTheBoard();

    void unplugLosesFirmware();
    void failAfterCountsCalls();
    void callLogKeepsArguments();
    void traceFileGetsOneLinePerCall();
    void logStopsAtItsCap();

private:
    bool loadShippedFirmware();
    short vendor(int request, int value = 0, char* buffer = nullptr);
    SimState state();
    QString writeTempFile(const QString& name, const QByteArray& contents);

    QLibrary m_lib;
    QTemporaryDir m_dir;
    QByteArray m_firmwarePath;

    SimboardClient::Functions m_sim;
};

void TestSimboardHex::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_firmwarePath = QFile::encodeName(QCoreApplication::applicationDirPath() + "/QV7310.hex");
    QVERIFY2(QFile::exists(QString::fromLocal8Bit(m_firmwarePath)), m_firmwarePath.constData());

    // A fault given in the environment is armed once, when the library loads,
    // so it can only be seen here, before anything else talks to the board.
    qputenv("BOARDPORT_FAIL_AFTER", "1");
    qputenv("BOARDPORT_FAIL_STATUS", "-11");
    m_lib.setFileName(QCoreApplication::applicationDirPath() + "/BoardPort");
    const QString error = SimboardClient::resolve(m_lib, m_sim);
    qunsetenv("BOARDPORT_FAIL_AFTER");
    qunsetenv("BOARDPORT_FAIL_STATUS");
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(int(m_sim.loadFirmWare(m_firmwarePath.data())), 0);
    QCOMPARE(int(m_sim.vendorIORequest(SIM_REQUEST_LAMP_ON, 0, 0, 0, 0, nullptr)), -11);
    QCOMPARE(state().lampOn, 0);
}

void TestSimboardHex::init() {
    qunsetenv("BOARDPORT_ABSENT");
    qunsetenv("BOARDPORT_TRACE");
    m_sim.reset();
}

void TestSimboardHex::cleanup() {
    qunsetenv("BOARDPORT_ABSENT");
    qunsetenv("BOARDPORT_TRACE");
}

bool TestSimboardHex::loadShippedFirmware() {
    return m_sim.loadFirmWare(m_firmwarePath.data()) == 0;
}

short TestSimboardHex::vendor(int request, int value, char* buffer) {
    return m_sim.vendorIORequest(static_cast<short>(request), value, 0, 0, 0, buffer);
}

SimState TestSimboardHex::state() {
    SimState s;
    m_sim.getState(&s);
    return s;
}

QString TestSimboardHex::writeTempFile(const QString& name, const QByteArray& contents) {
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return QString();
    }
    f.write(contents);
    return path;
}

void TestSimboardHex::shippedFirmwareIsAccepted() {
    QFile f(QString::fromLocal8Bit(m_firmwarePath));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray image = f.readAll();
    QCOMPARE(m_sim.checkIntelHex(image.constData(), static_cast<unsigned long>(image.size())), 0);

    QVERIFY(loadShippedFirmware());
    const SimState s = state();
    QCOMPARE(s.firmwareLoaded, 1);
    QCOMPARE(s.started, 0);
}

// Record examples with checksums worked out by hand.
void TestSimboardHex::checkerVerdict_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("valid");

    const QByteArray eof = ":00000001FF";
    const QByteArray data = ":0300300002337A1E";

    QTest::newRow("eof only") << eof + "\n" << true;
    QTest::newRow("eof without newline") << eof << true;
    QTest::newRow("data then eof") << data + "\n" + eof + "\n" << true;
    QTest::newRow("crlf lines") << data + "\r\n" + eof + "\r\n" << true;
    QTest::newRow("trailing blank lines") << data + "\n" + eof + "\n\n\r\n" << true;
    QTest::newRow("lower-case digits") << QByteArray(":0300300002337a1e\n") + eof << true;
    QTest::newRow("segment address") << ":020000021000EC\n" + eof << true;
    QTest::newRow("linear address") << ":020000040000FA\n" + eof << true;
    QTest::newRow("segment start") << ":0400000300000000F9\n" + eof << true;
    QTest::newRow("linear start") << ":0400000500000000F7\n" + eof << true;

    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("only newline") << QByteArray("\n") << false;
    QTest::newRow("bad checksum") << ":0300300002337A1F\n" + eof << false;
    QTest::newRow("bad eof checksum") << QByteArray(":00000001FE\n") << false;
    QTest::newRow("missing eof") << data + "\n" << false;
    QTest::newRow("data after eof") << eof + "\n" + data + "\n" << false;
    QTest::newRow("two eof records") << eof + "\n" + eof + "\n" << false;
    QTest::newRow("blank line before eof") << data + "\n\n" + eof << false;
    QTest::newRow("non-hex char") << ":0300300002337G1E\n" + eof << false;
    QTest::newRow("space inside record") << ":03003000 02337A1E\n" + eof << false;
    QTest::newRow("nul byte") << QByteArray(":03003000") + '\0' + "2337A1E\n" + eof << false;
    QTest::newRow("count too high") << ":0400300002337A1D\n" + eof << false;
    QTest::newRow("count too low") << ":0200300002337A1F\n" + eof << false;
    QTest::newRow("odd digit count") << ":0300300002337A1E0\n" + eof << false;
    QTest::newRow("missing colon") << "0300300002337A1E\n" + eof << false;
    QTest::newRow("colon only") << ":\n" + eof << false;
    QTest::newRow("truncated record") << ":000000\n" + eof << false;
    QTest::newRow("unknown record type") << ":00000006FA\n" + eof << false;
    QTest::newRow("eof with data") << QByteArray(":01000001AA54\n") << false;
    QTest::newRow("segment address 3 bytes") << ":03000002100000EB\n" + eof << false;
    QTest::newRow("linear address 1 byte") << ":01000004FFFC\n" + eof << false;
    QTest::newRow("linear start 2 bytes") << ":020000050000F9\n" + eof << false;
    QTest::newRow("bare carriage return line") << data + "\r\r\n" + eof << false;
}

void TestSimboardHex::checkerVerdict() {
    QFETCH(QByteArray, image);
    QFETCH(bool, valid);
    const int rc = m_sim.checkIntelHex(image.constData(), static_cast<unsigned long>(image.size()));
    if (valid) {
        QCOMPARE(rc, 0);
    } else {
        QVERIFY2(rc < 0, qPrintable(QString::number(rc)));
    }
}

void TestSimboardHex::downloadVerdict_data() {
    checkerVerdict_data();
}

void TestSimboardHex::downloadVerdict() {
    QFETCH(QByteArray, image);
    QFETCH(bool, valid);
    const QString path = writeTempFile("image.hex", image);
    QVERIFY(!path.isEmpty());
    QByteArray nativePath = QFile::encodeName(path);

    const int rc = m_sim.loadFirmWare(nativePath.data());
    if (valid) {
        QCOMPARE(rc, 0);
        QCOMPARE(state().firmwareLoaded, 1);
    } else {
        QCOMPARE(rc, -3);
        QCOMPARE(state().firmwareLoaded, 0);
    }
}

// The checker must judge only the bytes it is given: a valid image cut one
// byte short is no longer valid, and the byte past the end is never read
// (the copy below has no room for one, so a sanitizer build would catch it).
void TestSimboardHex::checkerStaysInsideTheBuffer() {
    const QByteArray image = ":00000001FF";
    for (int len = 0; len <= image.size(); ++len) {
        std::vector<char> exact(image.constData(), image.constData() + len);
        const int rc = m_sim.checkIntelHex(exact.data(), static_cast<unsigned long>(exact.size()));
        if (len == image.size()) {
            QCOMPARE(rc, 0);
        } else {
            QVERIFY(rc < 0);
        }
    }
    QVERIFY(m_sim.checkIntelHex(nullptr, 0) < 0);
    QVERIFY(m_sim.checkIntelHex(nullptr, 10) < 0);
}

void TestSimboardHex::missingFileIsRejected() {
    QByteArray missing = QFile::encodeName(m_dir.filePath("no-such-image.hex"));
    QCOMPARE(int(m_sim.loadFirmWare(missing.data())), -2);
    QByteArray folder = QFile::encodeName(m_dir.path());
    QCOMPARE(int(m_sim.loadFirmWare(folder.data())), -2);
    QCOMPARE(int(m_sim.loadFirmWare(nullptr)), -1);
    QCOMPARE(state().firmwareLoaded, 0);
}

// A FIFO without a writer would block the download in open() for good, and
// a device may never end. Should the board block, the test opens the FIFO's
// other end itself, so the case fails instead of hanging the suite.
void TestSimboardHex::specialFileIsRefusedAtOnce_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("fifo without a writer") << QFile::encodeName(m_dir.filePath("image.fifo"));
    QTest::newRow("endless device") << QByteArray("/dev/zero");
}

void TestSimboardHex::specialFileIsRefusedAtOnce() {
    QFETCH(QByteArray, path);
    if (path.endsWith(".fifo")) {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    }
    auto load =
        std::async(std::launch::async, [&] { return int(m_sim.loadFirmWare(path.data())); });
    const bool prompt = load.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!prompt) {
        const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
    }
    const int status = load.get();
    QVERIFY2(prompt, "the download blocked");
    QCOMPARE(status, -2);
    QCOMPARE(state().firmwareLoaded, 0);
}

// Valid records all the way, but far beyond any real image: refused without
// reading it all in.
void TestSimboardHex::oversizedFileIsRejected() {
    const QByteArray record = ":0300300002337A1E\n";
    const int copies = 16 * 1024 * 1024 / int(record.size()) + 1;
    const QString path = writeTempFile("huge.hex", record.repeated(copies) + ":00000001FF\n");
    QVERIFY(!path.isEmpty());
    QByteArray nativePath = QFile::encodeName(path);
    QCOMPARE(int(m_sim.loadFirmWare(nativePath.data())), -3);
    QCOMPARE(state().firmwareLoaded, 0);
}

void TestSimboardHex::absentBoardRefusesEverything() {
    qputenv("BOARDPORT_ABSENT", "1");
    QCOMPARE(int(m_sim.loadFirmWare(m_firmwarePath.data())), -4);
    QCOMPARE(state().firmwareLoaded, 0);

    qunsetenv("BOARDPORT_ABSENT");
    QVERIFY(loadShippedFirmware());
    const SimState before = state();

    qputenv("BOARDPORT_ABSENT", "1");
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), -4);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, kPowerUpAll)), -4);
    QVERIFY(sameState(state(), before));

    // The board is back as soon as the variable goes, firmware included.
    qunsetenv("BOARDPORT_ABSENT");
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), 0);
    QCOMPARE(state().lampOn, 1);
}

void TestSimboardHex::requestsNeedFirmware() {
    const SimState before = state();
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), -5);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x2800)), -5);
    QVERIFY(sameState(state(), before));
    QCOMPARE(m_sim.callCount(), 2);
}

void TestSimboardHex::unknownRequestIsRejected() {
    QVERIFY(loadShippedFirmware());
    const SimState before = state();
    QCOMPARE(int(vendor(225, 0x2800)), -6);
    QCOMPARE(int(vendor(0)), -6);
    QVERIFY(sameState(state(), before));
    SimCall call;
    QCOMPARE(m_sim.getCall(m_sim.callCount() - 1, &call), 0);
    QCOMPARE(call.request, 0);
    QCOMPARE(call.status, -6);
}

void TestSimboardHex::channelTwoAtHalfScale_data() {
    QTest::addColumn<int>("rangeRequest");
    QTest::addColumn<double>("volts");
    QTest::newRow("30 V range") << int(SIM_REQUEST_RANGE_30V) << 15.0;
    QTest::newRow("60 V range") << int(SIM_REQUEST_RANGE_60V) << 30.0;
}

void TestSimboardHex::channelTwoAtHalfScale() {
    QFETCH(int, rangeRequest);
    QFETCH(double, volts);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_START)), 0);
    QCOMPARE(int(vendor(rangeRequest)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, kPowerUpChannel2)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_LOW)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x2800)), 0);

    const SimState s = state();
    QCOMPARE(s.started, 1);
    QCOMPARE(s.controlRegister, 0x008);
    QCOMPARE(s.inputRegister[1], 0x800);
    QCOMPARE(s.dacRegister[1], 0x800);
    QCOMPARE(s.lastWord, 0x2800);
    QCOMPARE(s.output[1], volts);
    QCOMPARE(s.output[0], 0.0);
    QCOMPARE(s.output[2], 0.0);
    QCOMPARE(s.output[3], 0.0);
}

void TestSimboardHex::ldacHighHoldsUntilPulse() {
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, kPowerUpChannel1)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x1400)), 0);

    SimState s = state();
    QCOMPARE(s.inputRegister[0], 0x400);
    QCOMPARE(s.dacRegister[0], 0);
    QCOMPARE(s.output[0], 0.0);

    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_PULSE)), 0);
    s = state();
    QCOMPARE(s.dacRegister[0], 0x400);
    QCOMPARE(s.ldacHigh, 1);
    QCOMPARE(s.output[0], 7.5);
}

void TestSimboardHex::ldacLowPassesWaitingInputs() {
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x3123)), 0);
    QCOMPARE(state().dacRegister[2], 0);
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_LOW)), 0);
    QCOMPARE(state().dacRegister[2], 0x123);
    QCOMPARE(state().ldacHigh, 0);
    // Back high, later words wait in the input register again.
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_HIGH)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x3456)), 0);
    QCOMPARE(state().inputRegister[2], 0x456);
    QCOMPARE(state().dacRegister[2], 0x123);
}

void TestSimboardHex::broadcastWritesAllChannels() {
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_RANGE_60V)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, kPowerUpAll)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x5FFF)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_PULSE)), 0);
    const SimState s = state();
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(s.inputRegister[k], 0xFFF);
        QCOMPARE(s.dacRegister[k], 0xFFF);
        QCOMPARE(s.output[k], 4095 * 60.0 / 4096.0);
    }
}

void TestSimboardHex::poweredDownChannelReadsZero_data() {
    QTest::addColumn<int>("controlWord");
    QTest::addColumn<double>("channel1Volts");
    QTest::newRow("all down") << 0x7000 << 0.0;
    QTest::newRow("all down, three-state") << 0x7080 << 0.0;
    QTest::newRow("only channel 2 up") << 0x7008 << 0.0;
    QTest::newRow("channel 1 up") << 0x7004 << 15.0;
    QTest::newRow("channel 1 up, three-state bit") << 0x7084 << 15.0;
}

void TestSimboardHex::poweredDownChannelReadsZero() {
    QFETCH(int, controlWord);
    QFETCH(double, channel1Volts);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_LOW)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x1800)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, controlWord)), 0);
    const SimState s = state();
    QCOMPARE(s.dacRegister[0], 0x800);
    QCOMPARE(s.output[0], channel1Volts);
}

void TestSimboardHex::unusedAddressesChangeNothing_data() {
    QTest::addColumn<int>("word");
    QTest::newRow("address 0") << 0x0ABC;
    QTest::newRow("address 6") << 0x6ABC;
    QTest::newRow("address 0, bit 15") << 0x8FFF;
    QTest::newRow("address 6, bit 15") << 0xE123;
}

void TestSimboardHex::unusedAddressesChangeNothing() {
    QFETCH(int, word);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_LOW)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, kPowerUpAll)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x2555)), 0);
    const SimState before = state();

    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, word)), 0);
    const SimState after = state();
    QVERIFY(sameRegisters(after, before));
    QCOMPARE(after.lastWord, word);
}

void TestSimboardHex::bit15IsIgnored() {
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x9ABC)), 0);
    QCOMPARE(state().inputRegister[0], 0xABC);
    QCOMPARE(state().lastWord, 0x9ABC);
    // Bits above the 16-bit word are not part of it.
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x12345)), 0);
    QCOMPARE(state().inputRegister[1], 0x345);
    QCOMPARE(state().lastWord, 0x2345);
}

void TestSimboardHex::clrLowClearsRegisters() {
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, kPowerUpAll)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x5700)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_PULSE)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x4123)), 0);
    QVERIFY(state().output[3] > 0.0);

    QCOMPARE(int(vendor(SIM_REQUEST_CLR_LOW)), 0);
    SimState s = state();
    QCOMPARE(s.clrHigh, 0);
    const int kept[4] = {0x700, 0x700, 0x700, 0x123};
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(s.inputRegister[k], kept[k]);
        QCOMPARE(s.dacRegister[k], 0);
        QCOMPARE(s.output[k], 0.0);
    }
    // Clearing leaves the channels powered.
    QCOMPARE(s.controlRegister, 0x03C);

    // Held at 0 while CLR stays low: neither LDAC nor a write with LDAC low
    // reaches a DAC register.
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_PULSE)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_LOW)), 0);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x1FFF)), 0);
    for (int k = 0; k < 4; ++k)
        QCOMPARE(state().dacRegister[k], 0);

    // CLR high alone loads nothing; the next LDAC brings the codes back.
    QCOMPARE(int(vendor(SIM_REQUEST_CLR_HIGH)), 0);
    QCOMPARE(state().clrHigh, 1);
    QCOMPARE(state().dacRegister[0], 0);
    QCOMPARE(int(vendor(SIM_REQUEST_LDAC_PULSE)), 0);
    const int back[4] = {0xFFF, 0x700, 0x700, 0x123};
    for (int k = 0; k < 4; ++k)
        QCOMPARE(state().dacRegister[k], back[k]);
}

void TestSimboardHex::lineAndLampRequests_data() {
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("ldacHigh");
    QTest::addColumn<int>("range60");
    QTest::addColumn<int>("lampOn");
    QTest::addColumn<int>("started");
    // Power-on: LDAC high, 30 V range, lamp off, not started.
    QTest::newRow("ldac low") << int(SIM_REQUEST_LDAC_LOW) << 0 << 0 << 0 << 0;
    QTest::newRow("ldac high") << int(SIM_REQUEST_LDAC_HIGH) << 1 << 0 << 0 << 0;
    QTest::newRow("range 60") << int(SIM_REQUEST_RANGE_60V) << 1 << 1 << 0 << 0;
    QTest::newRow("range 30") << int(SIM_REQUEST_RANGE_30V) << 1 << 0 << 0 << 0;
    QTest::newRow("lamp on") << int(SIM_REQUEST_LAMP_ON) << 1 << 0 << 1 << 0;
    QTest::newRow("lamp off") << int(SIM_REQUEST_LAMP_OFF) << 1 << 0 << 0 << 0;
    QTest::newRow("start") << int(SIM_REQUEST_START) << 1 << 0 << 0 << 1;
}

void TestSimboardHex::lineAndLampRequests() {
    QFETCH(int, request);
    QFETCH(int, ldacHigh);
    QFETCH(int, range60);
    QFETCH(int, lampOn);
    QFETCH(int, started);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(request)), 0);
    const SimState s = state();
    QCOMPARE(s.ldacHigh, ldacHigh);
    QCOMPARE(s.range60, range60);
    QCOMPARE(s.lampOn, lampOn);
    QCOMPARE(s.started, started);
    QCOMPARE(s.clrHigh, 1);
}

// The panel keeps its own request table because it is built for the maker's
// library and must not depend on the simulated board that stands in for it;
// the two tables must still agree, and the board must take every request.
void TestSimboardHex::panelRequestsReachTheBoard_data() {
    namespace Panel = USBStuff::BoardRequest;
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("board");
    QTest::newRow("CLR high") << int(Panel::ClrHigh) << int(SIM_REQUEST_CLR_HIGH);
    QTest::newRow("CLR low") << int(Panel::ClrLow) << int(SIM_REQUEST_CLR_LOW);
    QTest::newRow("serial word") << int(Panel::SerialWord) << int(SIM_REQUEST_SERIAL_WORD);
    QTest::newRow("LDAC pulse") << int(Panel::PulseLdac) << int(SIM_REQUEST_LDAC_PULSE);
    QTest::newRow("start") << int(Panel::Start) << int(SIM_REQUEST_START);
    QTest::newRow("LDAC high") << int(Panel::LdacHigh) << int(SIM_REQUEST_LDAC_HIGH);
    QTest::newRow("LDAC low") << int(Panel::LdacLow) << int(SIM_REQUEST_LDAC_LOW);
    QTest::newRow("30 V range") << int(Panel::Range30V) << int(SIM_REQUEST_RANGE_30V);
    QTest::newRow("60 V range") << int(Panel::Range60V) << int(SIM_REQUEST_RANGE_60V);
    QTest::newRow("warning on") << int(Panel::WarningOn) << int(SIM_REQUEST_LAMP_ON);
    QTest::newRow("warning off") << int(Panel::WarningOff) << int(SIM_REQUEST_LAMP_OFF);
}

void TestSimboardHex::panelRequestsReachTheBoard() {
    QFETCH(int, panel);
    QFETCH(int, board);
    QCOMPARE(panel, board);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(panel)), 0);
}

void TestSimboardHex::unplugLosesFirmware() {
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_START)), 0);
    m_sim.unplug();
    QCOMPARE(state().firmwareLoaded, 0);
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), -4);
    QCOMPARE(int(m_sim.loadFirmWare(m_firmwarePath.data())), -4);
    QCOMPARE(state().lampOn, 0);
    QCOMPARE(state().firmwareLoaded, 0);

    m_sim.replug();
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), -5);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), 0);
    QCOMPARE(state().lampOn, 1);
}

void TestSimboardHex::failAfterCountsCalls() {
    m_sim.failAfter(2, -9);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), 0);
    const SimState before = state();

    QCOMPARE(int(vendor(SIM_REQUEST_RANGE_60V)), -9);
    QCOMPARE(int(m_sim.loadFirmWare(m_firmwarePath.data())), -9);
    QCOMPARE(int(vendor(SIM_REQUEST_SERIAL_WORD, 0x5FFF)), -9);
    QVERIFY(sameState(state(), before));

    SimCall call;
    QCOMPARE(m_sim.getCall(m_sim.callCount() - 1, &call), 0);
    QCOMPARE(call.status, -9);

    m_sim.clearFaults();
    QCOMPARE(int(vendor(SIM_REQUEST_RANGE_60V)), 0);
    QCOMPARE(state().range60, 1);
}

void TestSimboardHex::callLogKeepsArguments() {
    QByteArray missing = QFile::encodeName(m_dir.filePath("missing.hex"));
    QCOMPARE(int(m_sim.loadFirmWare(missing.data())), -2);
    QVERIFY(loadShippedFirmware());
    char byte = '\x9C';
    QCOMPARE(int(m_sim.vendorIORequest(SIM_REQUEST_SERIAL_WORD, -70000, 123456, -3, 17, &byte)), 0);
    QCOMPARE(int(m_sim.vendorIORequest(999, 0, 0, 0, 0, nullptr)), -6);
    QCOMPARE(m_sim.callCount(), 4);

    SimCall call;
    QCOMPARE(m_sim.getCall(0, &call), 0);
    QCOMPARE(call.kind, int(SIM_CALL_LOAD_FIRMWARE));
    QCOMPARE(QByteArray(call.path), missing);
    QCOMPARE(call.status, -2);

    QCOMPARE(m_sim.getCall(1, &call), 0);
    QCOMPARE(QByteArray(call.path), m_firmwarePath);
    QCOMPARE(call.status, 0);

    QCOMPARE(m_sim.getCall(2, &call), 0);
    QCOMPARE(call.kind, int(SIM_CALL_VENDOR_IO));
    QCOMPARE(call.request, 221);
    QCOMPARE(call.value, -70000);
    QCOMPARE(call.index, 123456);
    QCOMPARE(call.arg4, -3);
    QCOMPARE(call.arg5, 17);
    QCOMPARE(call.bufferByte, 0x9C);
    QCOMPARE(call.status, 0);

    QCOMPARE(m_sim.getCall(3, &call), 0);
    QCOMPARE(call.request, 999);
    QCOMPARE(call.bufferByte, -1);
    QCOMPARE(call.status, -6);

    QCOMPARE(m_sim.getCall(4, &call), -1);
    QCOMPARE(m_sim.getCall(-1, &call), -1);

    // A path too long for the record is cut, never overrun.
    QByteArray longPath(3000, 'x');
    QCOMPARE(int(m_sim.loadFirmWare(longPath.data())), -2);
    QCOMPARE(m_sim.getCall(4, &call), 0);
    QCOMPARE(QByteArray(call.path), longPath.left(int(sizeof call.path) - 1));

    m_sim.reset();
    QCOMPARE(m_sim.callCount(), 0);
}

void TestSimboardHex::traceFileGetsOneLinePerCall() {
    const QString tracePath = m_dir.filePath("trace.txt");
    qputenv("BOARDPORT_TRACE", QFile::encodeName(tracePath));

    QVERIFY(loadShippedFirmware());
    char zero = 0;
    QCOMPARE(int(m_sim.vendorIORequest(SIM_REQUEST_SERIAL_WORD, 10240, 0, 0, 0, &zero)), 0);
    char byte = 'A';
    QCOMPARE(int(m_sim.vendorIORequest(SIM_REQUEST_LAMP_ON, -5, 7, -2, 300, &byte)), 0);
    QCOMPARE(int(m_sim.vendorIORequest(250, 0, 0, 0, 0, nullptr)), -6);
    qunsetenv("BOARDPORT_TRACE");
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_OFF)), 0);

    QFile trace(tracePath);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QByteArray expected = "LoadFirmWare " + m_firmwarePath +
                                " = 0\n"
                                "VendorIORequest 221 10240 0 0 0 0 = 0\n"
                                "VendorIORequest 230 -5 7 -2 300 65 = 0\n"
                                "VendorIORequest 250 0 0 0 0 -1 = -6\n";
    QCOMPARE(trace.readAll(), expected);
}

// The log keeps its first million calls and drops later ones, so a long run
// cannot exhaust memory; the board itself goes on answering.
void TestSimboardHex::logStopsAtItsCap() {
    constexpr int kCap = 1000000;
    for (int i = 0; i < kCap + 5; ++i) {
        QCOMPARE(int(m_sim.vendorIORequest(SIM_REQUEST_LAMP_ON, i, 0, 0, 0, nullptr)), -5);
    }
    QCOMPARE(m_sim.callCount(), kCap);
    SimCall call;
    QCOMPARE(m_sim.getCall(kCap - 1, &call), 0);
    QCOMPARE(call.value, kCap - 1);
    QCOMPARE(m_sim.getCall(kCap, &call), -1);
    QVERIFY(loadShippedFirmware());
    QCOMPARE(int(vendor(SIM_REQUEST_LAMP_ON)), 0);
    QCOMPARE(state().lampOn, 1);
}

QTEST_GUILESS_MAIN(TestSimboardHex)
#include "tst_simboard_hex.moc"
