// Reading a typed hexadecimal code, volts to a code and showing a voltage:
// the pure tables, without a window.
#include "model/Codes.h"

#include <QtTest>
#include <cmath>

class TestCodes : public QObject {
    Q_OBJECT

private slots:
    void readHexEntry_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("value");
        const int ok = int(Codes::EntryResult::Valid);
        const int nan = int(Codes::EntryResult::NotANumber);
        const int big = int(Codes::EntryResult::TooLarge);
        QTest::newRow("zero") << "0" << ok << 0;
        QTest::newRow("lower case") << "a00" << ok << 0xA00;
        QTest::newRow("mixed case") << "fFf" << ok << 0xFFF;
        QTest::newRow("leading zeros") << "0FFF" << ok << 0xFFF;
        QTest::newRow("many leading zeros") << "0000000000001" << ok << 1;
        QTest::newRow("4096") << "1000" << big << 0;
        QTest::newRow("8000") << "8000" << big << 0;
        QTest::newRow("FFFF") << "FFFF" << big << 0;
        QTest::newRow("negative as 32 bits") << "80000000" << big << 0;
        QTest::newRow("32 bits all ones") << "FFFFFFFF" << big << 0;
        QTest::newRow("more than 32 bits") << "123456789" << nan << 0;
        QTest::newRow("empty") << "" << nan << 0;
        QTest::newRow("letters") << "xyz" << nan << 0;
        QTest::newRow("leading space") << " 800" << nan << 0;
        QTest::newRow("trailing space") << "12 " << nan << 0;
        QTest::newRow("prefix") << "0x10" << nan << 0;
        QTest::newRow("sign") << "-1" << nan << 0;
    }
    void readHexEntry() {
        QFETCH(QString, text);
        QFETCH(int, result);
        QFETCH(int, value);
        const Codes::Entry entry = Codes::ReadHexEntry(text);
        QCOMPARE(int(entry.result), result);
        QCOMPARE(entry.value, value);
    }

    void formatVolts_data() {
        QTest::addColumn<double>("volts");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << 0.0 << "0.0000V";
        QTest::newRow("half a step up") << 0.00005 << "0.0001V";
        QTest::newRow("below half a step") << 0.00004 << "0.0000V";
        QTest::newRow("one 30V code") << 30.0 / 4096 << "0.0073V";
        QTest::newRow("tie away from zero") << 1.40625 << "1.4063V";
        QTest::newRow("negative tie") << -1.40625 << "-1.4063V";
        QTest::newRow("half scale") << 15.0 << "15.0000V";
        QTest::newRow("60V full scale") << 59.98535156 << "59.9854V";
    }
    void formatVolts() {
        QFETCH(double, volts);
        QFETCH(QString, shown);
        QCOMPARE(Codes::FormatVolts(volts), shown);
    }
    void codeForVolts_data() {
        QTest::addColumn<double>("volts");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("code");
        QTest::newRow("half scale") << 15.0 << 30 << 2048;
        QTest::newRow("nearest up") << 0.0037 << 30 << 1;
        QTest::newRow("nearest down") << 0.0036 << 30 << 0;
        QTest::newRow("30V full scale") << 29.9927 << 30 << 4095;
        QTest::newRow("30V itself") << 30.0 << 30 << -1;
        QTest::newRow("just below 0") << -0.001 << 30 << 0;
        QTest::newRow("below 0") << -0.01 << 30 << -1;
        QTest::newRow("60V full scale") << 59.9854 << 60 << 4095;
        QTest::newRow("60V itself") << 60.0 << 60 << -1;
        QTest::newRow("15V at 60V") << 15.0 << 60 << 1024;
        QTest::newRow("not a number") << std::nan("") << 30 << -1;
        QTest::newRow("huge") << 1e300 << 60 << -1;
        QTest::newRow("no range") << 1.0 << 0 << -1;
    }
    void codeForVolts() {
        QFETCH(double, volts);
        QFETCH(int, range);
        QFETCH(int, code);
        QCOMPARE(Codes::CodeForVolts(volts, range), code);
    }
};

QTEST_MAIN(TestCodes)
#include "tst_codes.moc"
