// The panel started where the board library, or one of its functions, is
// missing, or where a file named like it cannot be loaded: no crash, no
// board, one box and one line on stderr saying what is wrong.
#include "PanelHarness.h"
#include "board/USBStuff.h"
#include "model/BoardStatus.h"
#include "model/PanelModel.h"
#include "panel/DialogSeam.h"
#include "panel/PanelApplication.h"
#include "panel/QV7310.h"
#include "panel/TabbedSheet.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryFile>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

using Harness::control;

class TestMissingLibrary : public QObject {
    Q_OBJECT

private slots:
    void panelStartsAndStaysUsable();
};

void TestMissingLibrary::panelStartsAndStaysUsable() {
    PanelApplication::Init();
    QStringList boxes;
    DialogSeam::setHandler([&](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            boxes << box->windowTitle() + "|" + box->text();
        dialog.reject();
        return dialog.result();
    });

    // Catch what the binding writes to stderr while the panel starts.
    QTemporaryFile errors;
    QVERIFY(errors.open());
    std::fflush(stderr);
    const int savedStderr = dup(2);
    QVERIFY(dup2(errors.handle(), 2) >= 0);
    Harness::model().clear();
    auto window = std::make_unique<QV7310>(Harness::session());
    window->Form_Load();
    std::fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);

    errors.seek(0);
    const QStringList lines =
        QString::fromLocal8Bit(errors.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
#if defined(EXPECT_PARTIAL_LIBRARY)
    // A library that can download but not take requests is no board.
    QVERIFY2(lines[0].contains("has no function VendorIORequest"), qPrintable(lines[0]));
#elif defined(EXPECT_BROKEN_LIBRARY)
    // The file's own error, not only that of the system's search.
    QVERIFY2(lines[0].contains(QCoreApplication::applicationDirPath() +
                               "/libBoardPort.so: file too short"),
             qPrintable(lines[0]));
#else
    QVERIFY2(lines[0].contains("BoardPort"), qPrintable(lines[0]));
#endif
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0],
             QString(": %1|No Evaluation Board Found").arg(USBStuff::LibraryMissingStatus));
    QCOMPARE(window->boardStatus()->text(), QString("Board: library missing"));
    QCOMPARE(Harness::link().lastStatus(), USBStuff::LibraryMissingStatus);

    // Every command still runs; each call fails inside the binding.
    control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(0);
    control<QLineEdit>(*window, "txtInput", 0)->setText("FFF");
    control<QPushButton>(*window, "cmdLDAC", 2)->click();
    // The part dialog was closed without a choice: the single part's button.
    control<QPushButton>(*window, "cmdWrite", 2)->click();
    QCOMPARE(control<QLabel>(*window, "Label1", 0)->text(), QString("0x1FFF"));
    QCOMPARE(control<QLabel>(*window, "lblVoltage", 2)->text(), QString("29.9927V"));
    QCOMPARE(Harness::link().lastStatus(), USBStuff::LibraryMissingStatus);
    control<QAction>(*window, "mnuReload")->trigger();
    QCOMPARE(Harness::link().lastStatus(), USBStuff::LibraryMissingStatus);
    window->close();
    QCOMPARE(control<QLabel>(*window, "Label1", 1)->text(), QString("0x5000"));
    DialogSeam::setHandler(nullptr);
}

QTEST_MAIN(TestMissingLibrary)
#include "tst_missing_library.moc"
