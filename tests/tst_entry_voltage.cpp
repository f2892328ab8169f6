// Code entry, writes and the voltage display of the main window, driven by
// real clicks and keys against the simulated board.
#include "PanelHarness.h"
#include "model/Codes.h"
#include "model/PanelModel.h"
#include "panel/OptionButton.h"
#include "panel/PictureBox.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"
#include "panel/TabbedSheet.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>
#include <memory>

using Harness::control;
using Harness::controls;
using Harness::SimBoard;

namespace {

PanelModel& Model() {
    return Harness::model();
}

const QString NotANumber = QStringLiteral("Entry Error: not a number");
const QString TooLarge = QStringLiteral("Entry Error: too large");
const QStringList Zeros(4, QStringLiteral("0.0000V"));
const QString Sep = QStringLiteral(" | ");

int mark() {
    return SimBoard::get().callCount();
}
// The board calls since `from`, joined so that a mismatch shows them all.
QString callsSince(int from) {
    return Harness::describe(SimBoard::get().callsSince(from)).join(QLatin1Char(' '));
}
QString wordCall(int word) {
    return QStringLiteral("221:0x%1").arg(word, 4, 16, QLatin1Char('0'));
}
QString echo(int word) {
    return QStringLiteral("0x") + QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
}

// Notes how many board calls had been made when a widget was shown, so that
// the order of "shown" and "request sent" can be checked afterwards.
class ShowRecorder : public QObject {
public:
    int shownAt = -1;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            shownAt = mark();
        return false;
    }
};

} // namespace

class TestEntryVoltage : public QObject, Harness::PanelFixture {
    Q_OBJECT

    // A new window for `part` (1 quad, 0 single) on the "Data Registers" page.
    void start(int part) {
        PanelFixture::start(part);
        control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
        answers_->shown.clear();
    }
    QLineEdit* box(int i) const { return control<QLineEdit>(*window_, "txtInput", i); }
    static void click(QWidget* widget, QPoint at = QPoint()) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    }
    // Clicks into box i and replaces its text by typing.
    void typeInto(int i, const QString& text) {
        click(box(i));
        QTest::keyClick(box(i), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box(i), Qt::Key_Backspace);
        QTest::keyClicks(box(i), text);
    }
    // Loads codes[k] into channel k through box k, Enter and "Load DACk".
    void loadCodes(const QList<int>& codes) {
        for (int k = 0; k < 4; ++k) {
            typeInto(k, QString::number(codes[k], 16));
            QTest::keyClick(box(k), Qt::Key_Return);
            click(control<QPushButton>(*window_, "cmdWrite", k));
        }
    }
    // The dialogs shown since the last clear, one line each, joined.
    QString warnings() const {
        QStringList out;
        for (const Harness::ShownDialog& d : answers_->shown) {
            QString kind = d.text;
            if (d.text == QLatin1String("Not a valid number. Please reenter it."))
                kind = QStringLiteral("not a number");
            else if (d.text == QLatin1String("The number is too large for a 12-bit code (the "
                                             "largest is FFF). Please enter a new one."))
                kind = QStringLiteral("too large");
            QString line = d.title + QStringLiteral(": ") + kind;
            if (d.className != QLatin1String("QMessageBox") || d.icon != QMessageBox::Warning)
                line += QStringLiteral(" [%1 icon %2]").arg(d.className).arg(int(d.icon));
            out << line;
        }
        return out.join(Sep);
    }
    QStringList labels() const {
        QStringList out;
        for (QLabel* label : controls<QLabel>(*window_, "lblVoltage", 4))
            out << label->text();
        return out;
    }
    QString lamps() const {
        QString out;
        for (PictureBox* lamp : controls<PictureBox>(*window_, "HVLED", 4))
            out += lamp->isVisible() ? QLatin1Char('1') : QLatin1Char('0');
        return out;
    }
    static QList<int> dacCodes() {
        return {Model().dacCode(0), Model().dacCode(1), Model().dacCode(2), Model().dacCode(3)};
    }

    // Leaves box 0 the way a row names.
    void leaveFirstBox(const QString& how) {
        QTabBar* tabs = control<TabbedSheet>(*window_, "SSTab1")->tabBar();
        if (how == QLatin1String("click box"))
            click(box(1));
        else if (how == QLatin1String("click write button"))
            click(control<QPushButton>(*window_, "cmdWrite", 1));
        else if (how == QLatin1String("click other tab"))
            click(tabs, tabs->tabRect(1).center());
        else
            QTest::keyClick(box(0), Qt::Key_Tab);
    }

private slots:
    void init() { start(1); }
    void cleanup() { stop(); }

    // The menus open from the keyboard, and no Alt combination types into a
    // box: Alt+F over a selected "FFF" would have left the code 0x00F.
    void altCombinationsLeaveBoxes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("menu"); // the menu that opens, empty for none
        QTest::newRow("Alt+F") << int(Qt::Key_F) << int(Qt::AltModifier) << "mnuFile";
        QTest::newRow("Alt+V") << int(Qt::Key_V) << int(Qt::AltModifier) << "mnuView";
        QTest::newRow("Alt+O") << int(Qt::Key_O) << int(Qt::AltModifier) << "mnuOptions";
        QTest::newRow("Alt+T") << int(Qt::Key_T) << int(Qt::AltModifier) << "mnuTools";
        QTest::newRow("Alt+A") << int(Qt::Key_A) << int(Qt::AltModifier) << "mnuHelp";
        QTest::newRow("Alt+B, no menu") << int(Qt::Key_B) << int(Qt::AltModifier) << "";
        QTest::newRow("Alt+Shift+C, no menu")
            << int(Qt::Key_C) << int(Qt::AltModifier | Qt::ShiftModifier) << "";
        QTest::newRow("F10") << int(Qt::Key_F10) << int(Qt::NoModifier) << "mnuFile";
    }
    void altCombinationsLeaveBoxes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, menu);
        control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
        box(0)->setFocus();
        box(0)->setText("FFF");
        box(0)->selectAll();
        QTest::keyClick(box(0), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (menu.isEmpty()) {
            QVERIFY(!QApplication::activePopupWidget());
        } else {
            QTRY_VERIFY(QApplication::activePopupWidget());
            QCOMPARE(QApplication::activePopupWidget()->objectName(), menu);
            QApplication::activePopupWidget()->close();
        }
        QCOMPARE(box(0)->text(), QString("FFF"));
        QCOMPARE(control<QAction>(*window_, "mnuExit")->shortcut(), QKeySequence("Ctrl+Q"));
        QCOMPARE(control<QAction>(*window_, "mnuReload")->shortcut(), QKeySequence("Ctrl+R"));
    }

    // Enter in a box, or leaving it for another box, validates it.
    void entryValidated_data() {
        QTest::addColumn<int>("finish"); // Return, keypad Enter, or 0: a click on another box
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("warning");
        const struct {
            const char* typed;
            const char* kept;
            QString warning;
        } cases[] = {
            {"a00", "A00", {}},        {"0fff", "0FFF", {}},     {"1", "1", {}},
            {"", "", NotANumber},      {"xyz", "", NotANumber},  {" 800", "", NotANumber},
            {"12 ", "", NotANumber},   {"0x10", "", NotANumber}, {"123456789", "", NotANumber},
            {"1000", "", TooLarge},    {"8000", "", TooLarge},   {"FFFF", "", TooLarge},
            {"FFFFFFFF", "", TooLarge}};
        for (int finish : {int(Qt::Key_Return), int(Qt::Key_Enter), 0})
            for (const auto& c : cases)
                QTest::addRow("%s \"%s\"",
                              finish == Qt::Key_Return  ? "return"
                              : finish == Qt::Key_Enter ? "keypad enter"
                                                        : "leave",
                              c.typed)
                    << finish << QString::fromLatin1(c.typed) << QString::fromLatin1(c.kept)
                    << c.warning;
    }
    void entryValidated() {
        QFETCH(int, finish);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, warning);
        typeInto(2, typed);
        QVERIFY(box(2)->hasFocus());
        const int from = mark();
        const bool enter = finish != 0;
        if (finish == Qt::Key_Enter)
            QTest::keyClick(box(2), Qt::Key_Enter, Qt::KeypadModifier);
        else if (enter)
            QTest::keyClick(box(2), Qt::Key(finish));
        else
            click(box(7));
        QCOMPARE(box(2)->text(), kept);
        QCOMPARE(warnings(), warning);
        // A refused entry takes the focus back; Enter never gives it away.
        QWidget* focus = enter || !warning.isEmpty() ? box(2) : box(7);
        QCOMPARE(QApplication::focusWidget(), focus);
        if (enter)
            QVERIFY(control<OptionButton>(*window_, "InputSel", 2)->isChecked());
        QCOMPARE(callsSince(from), QString());
    }

    // A paste longer than the toolkit's default limit of 32767 characters is
    // kept whole and read as it stands: what is sent is the value of all of it.
    void longPaste_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("warning");
        const QString zeros(40000, QLatin1Char('0'));
        QTest::newRow("zeros, then 800") << zeros + QStringLiteral("800") << QString();
        QTest::newRow("zeros, then 1000") << zeros + QStringLiteral("1000") << TooLarge;
        QTest::newRow("junk past the limit")
            << QString(32767, QLatin1Char('0')) + QStringLiteral("1x") << NotANumber;
    }
    void longPaste() {
        QFETCH(QString, pasted);
        QFETCH(QString, warning);
        QGuiApplication::clipboard()->setText(pasted);
        click(box(0));
        QTest::keyClick(box(0), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box(0), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box(0)->text().size(), pasted.size());
        const int from = mark();
        QTest::keyClick(box(0), Qt::Key_Return);
        QCOMPARE(warnings(), warning);
        if (warning.isEmpty()) {
            click(control<QPushButton>(*window_, "cmdWrite", 1));
            QCOMPARE(callsSince(from), wordCall(0x2800));
        } else {
            QCOMPARE(box(0)->text(), QString());
            QCOMPARE(callsSince(from), QString());
        }
    }

    // A bad entry left by the mouse or the keyboard: one warning per exit, and
    // the exit itself does not happen.
    void refusedExit_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"click box", "click write button", "click other tab", "tab key"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void refusedExit() {
        QFETCH(QString, how);
        typeInto(0, QStringLiteral("xyz"));
        const int from = mark();
        for (int exit = 1; exit <= 2; ++exit) {
            // The second exit has nothing typed: the empty box is refused too.
            leaveFirstBox(how);
            QTest::qWait(20);
            QCOMPARE(box(0)->text(), QString());
            QCOMPARE(control<TabbedSheet>(*window_, "SSTab1")->currentIndex(), 0);
            QCOMPARE(QApplication::focusWidget(), box(0));
            QCOMPARE(callsSince(from), QString());
            QCOMPARE(warnings(), QStringList(exit, NotANumber).join(Sep));
        }
    }

    // Once the entry is corrected, the next click goes where it is aimed.
    void clickAfterRefusedExit_data() { refusedExit_data(); }
    void clickAfterRefusedExit() {
        QFETCH(QString, how);
        typeInto(0, QStringLiteral("xyz"));
        leaveFirstBox(how);
        QCOMPARE(QApplication::focusWidget(), box(0));
        typeInto(0, QStringLiteral("800"));
        answers_->shown.clear();
        const int from = mark();
        click(control<QPushButton>(*window_, "cmdWrite", 4));
        QCOMPARE(callsSince(from), wordCall(0x5800));
        QCOMPARE(dacCodes(), QList<int>(4, 0x800));
        QCOMPARE(warnings(), QString());
    }

    void quadWrite_data() {
        QTest::addColumn<int>("ldac"); // cmdLDAC clicked first, -1 none
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("word");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QStringList>("volts");
        const QString half = QStringLiteral("15.0000V");
        const QString full = QStringLiteral("29.9927V");
        QTest::newRow("DAC1") << -1 << 3 << "c3a" << 0 << "Load DAC1" << 0x1C3A
                              << QList<int>{0xC3A, 0, 0, 0} << Zeros;
        QTest::newRow("DAC2") << -1 << 0 << "800" << 1 << "Load DAC2" << 0x2800
                              << QList<int>{0, 0x800, 0, 0} << Zeros;
        QTest::newRow("DAC3") << -1 << 9 << "FFF" << 2 << "Load DAC3" << 0x3FFF
                              << QList<int>{0, 0, 0xFFF, 0} << Zeros;
        QTest::newRow("DAC4") << -1 << 6 << "001" << 3 << "Load DAC4" << 0x4001
                              << QList<int>{0, 0, 0, 1} << Zeros;
        QTest::newRow("all") << -1 << 5 << "0a0" << 4 << "Write to all DACs" << 0x50A0
                             << QList<int>(4, 0xA0) << Zeros;
        QTest::newRow("LDAC High, DAC2")
            << 1 << 4 << "800" << 1 << "Load DAC2" << 0x2800 << QList<int>{0, 0x800, 0, 0} << Zeros;
        QTest::newRow("LDAC Low, DAC1")
            << 2 << 1 << "800" << 0 << "Load DAC1" << 0x1800 << QList<int>{0x800, 0, 0, 0}
            << QStringList{half, Zeros[1], Zeros[2], Zeros[3]};
        QTest::newRow("LDAC Low, DAC4")
            << 2 << 2 << "0C0" << 3 << "Load DAC4" << 0x40C0 << QList<int>{0, 0, 0, 0xC0}
            << QStringList{Zeros[0], Zeros[1], Zeros[2], "1.4063V"};
        QTest::newRow("LDAC Low, all") << 2 << 8 << "fff" << 4 << "Write to all DACs" << 0x5FFF
                                       << QList<int>(4, 0xFFF) << QStringList(4, full);
    }
    void quadWrite() {
        QFETCH(int, ldac);
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(int, button);
        QFETCH(QString, caption);
        QFETCH(int, word);
        QFETCH(QList<int>, codes);
        QFETCH(QStringList, volts);
        if (ldac >= 0)
            click(control<QPushButton>(*window_, "cmdLDAC", ldac));
        typeInto(row, typed);
        QTest::keyClick(box(row), Qt::Key_Return);
        QVERIFY(control<OptionButton>(*window_, "InputSel", row)->isChecked());
        QPushButton* write = control<QPushButton>(*window_, "cmdWrite", button);
        QCOMPARE(write->text(), caption);
        const int from = mark();
        click(write);
        // With LDAC low the outputs follow at once, so the display is refreshed
        // (and the caution request sent) before the word goes out.
        QCOMPARE(callsSince(from),
                 (ldac == 2 ? QStringLiteral("231 ") : QString()) + wordCall(word));
        QCOMPARE(dacCodes(), codes);
        QCOMPARE(Model().pendingCode(), word & 0xFFF);
        QCOMPARE(control<QLabel>(*window_, "Label1", 0)->text(), echo(word));
        QCOMPARE(control<QLabel>(*window_, "Label1", 1)->text(), echo(word));
        QCOMPARE(labels(), volts);
        QCOMPARE(warnings(), QString());
    }

    // The single part has one "Load DAC" button, which drives its one channel
    // (the third label) with the first DAC address whatever the index.
    void singleWrite_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("ldacLow");
        for (int index = 0; index < 5; ++index)
            QTest::addRow("index %d", index) << index << false;
        QTest::newRow("index 2, LDAC Low") << 2 << true;
    }
    void singleWrite() {
        QFETCH(int, index);
        QFETCH(bool, ldacLow);
        start(0);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(control<QPushButton>(*window_, "cmdWrite", i)->isVisible(), i == 2);
        QCOMPARE(control<QPushButton>(*window_, "cmdWrite", 2)->text(), QStringLiteral("Load DAC"));
        if (ldacLow)
            click(control<QPushButton>(*window_, "cmdLDAC", 2));
        typeInto(6, QStringLiteral("800"));
        QTest::keyClick(box(6), Qt::Key_Return);
        const int from = mark();
        if (index == 2)
            click(control<QPushButton>(*window_, "cmdWrite", 2));
        else
            QV7310TestSeam::cmdWrite_Click(*window_,
                                           index); // hidden: only reachable through the handler
        QCOMPARE(callsSince(from),
                 (ldacLow ? QStringLiteral("231 ") : QString()) + wordCall(0x1800));
        QCOMPARE(dacCodes(), (QList<int>{0, 0, 0x800, 0}));
        QCOMPARE(control<QLabel>(*window_, "Label1", 0)->text(), QStringLiteral("0x1800"));
        QCOMPARE(control<QLabel>(*window_, "Label1", 1)->text(), QStringLiteral("0x1800"));
        QCOMPARE(control<QLabel>(*window_, "lblVoltage", 2)->text(),
                 ldacLow ? QStringLiteral("15.0000V") : QStringLiteral("0.0000V"));
    }

    // A write whose selected box cannot be read changes nothing.
    void writeRefusesBadBox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("focusInBox");
        QTest::addColumn<bool>("ldacLow");
        QTest::addColumn<QString>("warning");
        QTest::newRow("letters, focus elsewhere") << "zz" << false << false << NotANumber;
        QTest::newRow("letters, focus in box") << "zz" << true << false << NotANumber;
        QTest::newRow("empty, LDAC Low") << "" << false << true << NotANumber;
        QTest::newRow("more than 32 bits") << "123456789" << false << false << NotANumber;
        QTest::newRow("too large") << "1000" << false << true << TooLarge;
        QTest::newRow("too large, focus in box") << "FFFF" << true << false << TooLarge;
    }
    void writeRefusesBadBox() {
        QFETCH(QString, text);
        QFETCH(bool, focusInBox);
        QFETCH(bool, ldacLow);
        QFETCH(QString, warning);
        loadCodes({0, 0, 0, 0x123});
        QCOMPARE(Model().pendingCode(), 0x123);
        if (ldacLow)
            click(control<QPushButton>(*window_, "cmdLDAC", 2));
        click(focusInBox ? static_cast<QWidget*>(box(3))
                         : control<OptionButton>(*window_, "InputSel", 3));
        QVERIFY(control<OptionButton>(*window_, "InputSel", 3)->isChecked());
        box(3)->setText(text);
        const QStringList voltsBefore = labels();
        const int from = mark();
        click(control<QPushButton>(*window_, "cmdWrite", 1));
        QCOMPARE(callsSince(from), QString());
        QCOMPARE(warnings(), warning);
        QCOMPARE(dacCodes(), (QList<int>{0, 0, 0, 0x123}));
        QCOMPARE(Model().pendingCode(), 0x123);
        QCOMPARE(control<QLabel>(*window_, "Label1", 0)->text(), QStringLiteral("0x4123"));
        QCOMPARE(control<QLabel>(*window_, "Label1", 1)->text(), QStringLiteral("0x4123"));
        QCOMPARE(labels(), voltsBefore);
        QCOMPARE(box(3)->text(), QString());
        QCOMPARE(QApplication::focusWidget(), box(3));
    }

    // The manual's walk-through: 800 in the first box, LDAC Low, Load DAC2.
    // The same refusal with the real modal warning box, answered by a click
    // on its OK button: the write button's click that left the box is lost,
    // nothing is sent, and the next click on it works again.
    void realWarningBoxOnLeavingByClick() {
        answers_.reset(); // real message boxes from here on
        typeInto(0, QStringLiteral("xyz"));
        QString text;
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!shown)
                return;
            text = shown->text();
            QTest::mouseClick(shown->button(QMessageBox::Ok), Qt::LeftButton);
        });
        const int mark = SimBoard::get().callCount();
        click(control<QPushButton>(*window_, "cmdWrite", 1));
        QCOMPARE(text, QStringLiteral("Not a valid number. Please reenter it."));
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(SimBoard::get().callsSince(mark).empty());
        QVERIFY(box(0)->text().isEmpty());
        // Once its window is active again, the box has the focus.
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box(0)));
        QTest::keyClicks(box(0), QStringLiteral("123"));
        click(control<QPushButton>(*window_, "cmdWrite", 1));
        QCOMPARE(Harness::describe(SimBoard::get().callsSince(mark)),
                 QStringList{QStringLiteral("221:0x2123")});
    }

    void manualExample() {
        typeInto(0, QStringLiteral("800"));
        QTest::keyClick(box(0), Qt::Key_Return);
        click(control<QPushButton>(*window_, "cmdLDAC", 2));
        click(control<QPushButton>(*window_, "cmdWrite", 1));
        QCOMPARE(control<QLabel>(*window_, "lblVoltage", 1)->text(), QStringLiteral("15.0000V"));
        const int count = mark();
        QVERIFY(count >= 2);
        const SimCall warningCall = SimBoard::get().call(count - 2);
        const SimCall wordCall = SimBoard::get().call(count - 1);
        QCOMPARE(warningCall.request, 231);
        QCOMPARE(wordCall.request, 221);
        QCOMPARE(wordCall.value, 10240);
        QCOMPARE(control<QLabel>(*window_, "Label1", 1)->text(), QStringLiteral("0x2800"));
    }

    void voltages_data() {
        QTest::addColumn<bool>("range60");
        QTest::addColumn<int>("refresh"); // cmdLDAC: 0 "Pulse LDAC", 2 "LDAC Low"
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QStringList>("volts");
        QTest::addColumn<QString>("lamps");
        QTest::addColumn<bool>("caution");
        // Codes loaded and pulsed out before `codes`, in the same range.
        QTest::addColumn<QList<int>>("before");
        const QString d55 = QStringLiteral("49.9951V");
        const QStringList steps30{"15.0000V", "29.9927V", "0.0073V", "1.4063V"};
        QTest::newRow("30V, LDAC Low") << false << 2 << QList<int>{0x800, 0xFFF, 1, 192} << steps30
                                       << "0000" << false << QList<int>();
        QTest::newRow("30V, Pulse LDAC") << false << 0 << QList<int>{0x800, 0xFFF, 1, 192}
                                         << steps30 << "0000" << false << QList<int>();
        QTest::newRow("30V, high codes")
            << false << 2 << QList<int>(4, 0xFFF) << QStringList(4, "29.9927V") << "0000" << false
            << QList<int>();
        QTest::newRow("60V, full scale") << true << 2 << QList<int>{0xFFF, 0, 0, 0}
                                         << QStringList{"59.9854V", Zeros[1], Zeros[2], Zeros[3]}
                                         << "1000" << true << QList<int>();
        QTest::newRow("60V, steps") << true << 0 << QList<int>{0x800, 0x400, 96, 1}
                                    << QStringList{"30.0000V", "15.0000V", "1.4063V", "0.0146V"}
                                    << "0000" << false << QList<int>();
        QTest::newRow("60V, D55 everywhere")
            << true << 2 << QList<int>(4, 0xD55) << QStringList(4, d55) << "0000" << false
            << QList<int>();
        QTest::newRow("60V, D56 in DAC3")
            << true << 0 << QList<int>{0xD55, 0xD55, 0xD56, 0xD55}
            << QStringList{d55, d55, "50.0098V", d55} << "0010" << true << QList<int>();
        QTest::newRow("60V, all drop below the caution code")
            << true << 0 << QList<int>(4, 0xD55) << QStringList(4, d55) << "0000" << false
            << QList<int>(4, 0xFFF);
        QTest::newRow("60V, D56 in DAC4") << true << 2 << QList<int>{0, 0, 0, 0xD56}
                                          << QStringList{Zeros[0], Zeros[1], Zeros[2], "50.0098V"}
                                          << "0001" << true << QList<int>();
    }
    void voltages() {
        QFETCH(bool, range60);
        QFETCH(int, refresh);
        QFETCH(QList<int>, codes);
        QFETCH(QStringList, volts);
        QFETCH(QString, lamps);
        QFETCH(bool, caution);
        QFETCH(QList<int>, before);
        if (!before.isEmpty()) {
            if (range60)
                click(control<OptionButton>(*window_, "optRANGE", 1));
            loadCodes(before);
            click(control<QPushButton>(*window_, "cmdLDAC", 0));
        }
        const QStringList shown = labels();
        loadCodes(codes);
        QCOMPARE(dacCodes(), codes);
        if (range60)
            click(control<OptionButton>(*window_, "optRANGE", 1));
        // Codes loaded with LDAC high reach no output: the range change
        // shows what the outputs held before.
        QCOMPARE(labels(), shown);
        ShowRecorder recorder;
        control<PictureBox>(*window_, "Picture1")->installEventFilter(&recorder);
        const int from = mark();
        click(control<QPushButton>(*window_, "cmdLDAC", refresh));
        const QStringList calls = Harness::describe(SimBoard::get().callsSince(from));
        QCOMPARE(calls.join(QLatin1Char(' ')),
                 QStringLiteral("%1 %2").arg(refresh == 0 ? 222 : 227).arg(caution ? 230 : 231));
        QCOMPARE(labels(), volts);
        QCOMPARE(this->lamps(), lamps);
        QCOMPARE(control<PictureBox>(*window_, "Picture1")->isVisible(), caution);
        QCOMPARE(recorder.shownAt >= 0, caution);
        // The caution picture is up before the board is told to warn.
        if (caution)
            QVERIFY2(!calls.mid(0, recorder.shownAt - from).contains(QStringLiteral("230")),
                     qPrintable(QStringLiteral("shown after call %1").arg(recorder.shownAt)));
        QCOMPARE(SimBoard::get().state().lampOn, caution ? 1 : 0);
        QCOMPARE(warnings(), QString());
    }

    // A range change refreshes at once; the next LDAC pulse shows the same.
    void rangeRescalesAtOnce() {
        loadCodes({0xFFF, 0, 0, 0});
        click(control<QPushButton>(*window_, "cmdLDAC", 2));
        QCOMPARE(control<QLabel>(*window_, "lblVoltage", 0)->text(), QStringLiteral("29.9927V"));
        const struct {
            int range;
            QString warning, volts, lamps;
            bool caution;
        } steps[] = {{1, "229 230", "59.9854V", "1000", true},
                     {0, "228 231", "29.9927V", "0000", false}};
        for (const auto& step : steps) {
            for (const bool pulse : {false, true}) {
                const int from = mark();
                if (pulse)
                    click(control<QPushButton>(*window_, "cmdLDAC", 0));
                else
                    click(control<OptionButton>(*window_, "optRANGE", step.range));
                QCOMPARE(callsSince(from),
                         (pulse ? QStringLiteral("222 ") : QString()) +
                             (pulse ? step.warning.section(' ', 1) : step.warning));
                QCOMPARE(control<QLabel>(*window_, "lblVoltage", 0)->text(), step.volts);
                QCOMPARE(lamps(), step.lamps);
                QCOMPARE(control<PictureBox>(*window_, "Picture1")->isVisible(), step.caution);
            }
        }
    }

    // What the labels say is what the board puts out, in both ranges.
    void boardFollowsLabels_data() {
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("steps") << QList<int>{0x800, 0xFFF, 1, 192};
        QTest::newRow("around the caution code") << QList<int>{0xD55, 0xD56, 0xABC, 0x123};
    }
    void boardFollowsLabels() {
        QFETCH(QList<int>, codes);
        QTabBar* tabs = control<TabbedSheet>(*window_, "SSTab1")->tabBar();
        click(tabs, tabs->tabRect(1).center());
        QCOMPARE(control<TabbedSheet>(*window_, "SSTab1")->currentIndex(), 1);
        for (int button : {1, 3, 4, 6})
            click(control<OptionButton>(*window_, "optPD1", button));
        QCOMPARE(SimBoard::get().state().controlRegister & 0x3C, 0x3C);
        click(tabs, tabs->tabRect(0).center());
        QCOMPARE(control<TabbedSheet>(*window_, "SSTab1")->currentIndex(), 0);
        loadCodes(codes);
        for (int range : {0, 1, 0}) {
            click(control<OptionButton>(*window_, "optRANGE", range));
            click(control<QPushButton>(*window_, "cmdLDAC", 0));
            const SimState state = SimBoard::get().state();
            QCOMPARE(state.range60, range);
            for (int k = 0; k < 4; ++k) {
                QVERIFY(state.output[k] > 0.0);
                QCOMPARE(Codes::FormatVolts(state.output[k]), labels()[k]);
            }
        }
        QCOMPARE(warnings(), QString());
    }
};

QTEST_MAIN(TestEntryVoltage)
#include "tst_entry_voltage.moc"
