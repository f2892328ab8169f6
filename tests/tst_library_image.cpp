// What the panel reads from a BoardPort.dll's PE header, and the way to the
// board it chooses from that: small PE files made here, as a linker lays
// them out, and files that only look like one.
#include "board/LibraryImage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using LibraryImage::Machine;

namespace {

// A DOS header whose offset field at 0x3C points at "PE\0\0" and a machine.
QByteArray peFile(quint16 machine, quint32 peOffset = 0x80) {
    QByteArray bytes(int(peOffset) + 24, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        bytes[0x3c + i] = char(peOffset >> (8 * i));
    bytes.replace(int(peOffset), 4, QByteArray("PE\0\0", 4));
    bytes[int(peOffset) + 4] = char(machine & 0xff);
    bytes[int(peOffset) + 5] = char(machine >> 8);
    return bytes;
}

} // namespace

class TestLibraryImage : public QObject {
    Q_OBJECT

private slots:
    void machine_data();
    void machine();
    void boardPath_data();
    void boardPath();
};

void TestLibraryImage::machine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Machine>("expected");
    QTest::newRow("i386") << peFile(0x014c) << Machine::X86;
    QTest::newRow("amd64") << peFile(0x8664) << Machine::X64;
    QTest::newRow("arm64") << peFile(0xaa64) << Machine::Other;
    QTest::newRow("header far in") << peFile(0x8664, 0x1000) << Machine::X64;
    QTest::newRow("empty") << QByteArray() << Machine::Unreadable;
    QTest::newRow("ELF") << QByteArray("\x7f"
                                       "ELF\x02\x01\x01",
                                       7)
                                .leftJustified(256, '\0')
                         << Machine::Unreadable;
    QByteArray noPe = peFile(0x014c);
    noPe[0x80] = 'N';
    QTest::newRow("no PE signature") << noPe << Machine::Unreadable;
    QTest::newRow("offset past the end")
        << peFile(0x014c).left(0x40).append(QByteArray(4, 'x')) << Machine::Unreadable;
    QTest::newRow("cut in the machine") << peFile(0x014c).left(0x85) << Machine::Unreadable;
}

void TestLibraryImage::machine() {
    QFETCH(QByteArray, bytes);
    QFETCH(Machine, expected);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("BoardPort.dll")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QCOMPARE(LibraryImage::ReadMachine(file.fileName()), expected);
}

void TestLibraryImage::boardPath_data() {
    QTest::addColumn<QByteArray>("dll"); // empty: no BoardPort.dll
    QTest::addColumn<int>("processBits");
    QTest::addColumn<bool>("bridged");
    QTest::addColumn<QString>("description");
    QTest::newRow("maker's 32-bit DLL, 64-bit panel")
        << peFile(0x014c) << 64 << true << "32-bit BoardPort.dll through qv7310-board-bridge.exe";
    QTest::newRow("32-bit DLL, 32-bit panel")
        << peFile(0x014c) << 32 << false << "32-bit BoardPort.dll in the panel";
    QTest::newRow("64-bit DLL, 64-bit panel")
        << peFile(0x8664) << 64 << false << "64-bit BoardPort.dll in the panel";
    QTest::newRow("64-bit DLL, 32-bit panel") << peFile(0x8664) << 32 << false << QString();
    QTest::newRow("no DLL") << QByteArray() << 64 << false << QString();
    QTest::newRow("not a DLL") << QByteArray("text") << 64 << false << QString();
}

void TestLibraryImage::boardPath() {
    QFETCH(QByteArray, dll);
    QFETCH(int, processBits);
    QFETCH(bool, bridged);
    QFETCH(QString, description);
    QTemporaryDir dir;
    if (!dll.isEmpty()) {
        QFile file(dir.filePath(QStringLiteral("BoardPort.dll")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(dll);
    }
    const LibraryImage::BoardPath path = LibraryImage::ChooseBoardPath(dir.path(), processBits);
    const QStringList bridge = {
        QDir::toNativeSeparators(dir.filePath(QStringLiteral("qv7310-board-bridge.exe")))};
    QCOMPARE(path.bridgeCommand, bridged ? bridge : QStringList());
    QCOMPARE(path.description, description);
}

QTEST_GUILESS_MAIN(TestLibraryImage)
#include "tst_library_image.moc"
