// What a screen reader is told about the main window: names and descriptions
// where a caption does not say what a control is, and nothing at all of the
// drawn lines and the click areas.
#include "PanelHarness.h"
#include "panel/LineControl.h"
#include "panel/OptionButton.h"
#include "panel/PictureBox.h"
#include "panel/QV7310.h"
#include "panel/TabbedSheet.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QtTest>
#include <memory>

using Harness::control;
using Harness::SimBoard;

namespace {
// Every object reachable from `parent` through the accessible children.
void collect(QAccessibleInterface* parent, QSet<QObject*>& reached) {
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (!child || reached.contains(child->object()))
            continue;
        reached.insert(child->object());
        collect(child, reached);
    }
}
} // namespace

class TestAccessibility : public QObject, Harness::PanelFixture {
    Q_OBJECT

private slots:
    void cleanup();
    void namesAndDescriptions_data();
    void namesAndDescriptions();
    void linesAndClickAreasLeftOut();
    void readingStates_data();
    void readingStates();
    void hiddenControlsLeftOut_data();
    void hiddenControlsLeftOut();
};

void TestAccessibility::cleanup() {
    stop();
}

void TestAccessibility::namesAndDescriptions_data() {
    QTest::addColumn<int>("part"); // the part dialog's button: 0 QV7301, 1 QV7310
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("name"); // a null name is not checked
    QTest::addColumn<QString>("description");
    auto row = [](int part, const QString& widget, const QString& name,
                  const QString& description) {
        QTest::newRow(qPrintable(widget + (part ? "" : " QV7301")))
            << part << widget << name << description;
    };
    for (int i = 0; i < 10; ++i) {
        row(1, QString("txtInput(%1)").arg(i), QString("Input code %1").arg(i + 1), "");
        row(1, QString("InputSel(%1)").arg(i), QString("Use input code %1").arg(i + 1), "");
    }
    for (int k = 0; k < 4; ++k) {
        // A reading keeps its number as its name; every channel starts powered down.
        row(1, QString("lblVoltage(%1)").arg(k), "0.0000V",
            QString("DAC%1 output voltage, powered down").arg(k + 1));
        row(1, QString("HVLED(%1)").arg(k), QString(), QString("DAC%1 at high voltage").arg(k + 1));
    }
    row(0, "lblVoltage(2)", "0.0000V", "DAC output voltage, powered down");
    row(0, "HVLED(2)", QString(), "DAC at high voltage");
    row(1, "Picture1", "Caution: risk of electric shock", "");
    // The last word sent (here by "Load DAC3") is read as the box's description.
    row(1, "Label1(0)", "Last serial word", "0x3000");
    row(1, "Label1(1)", "Last serial word", "0x3000");
    row(0, "Label1(1)", "Last serial word", "0x1000");
}

void TestAccessibility::namesAndDescriptions() {
    QFETCH(int, part);
    QFETCH(QString, widget);
    QFETCH(QString, name);
    QFETCH(QString, description);
    start(part);
    control<QPushButton>(*window_, "cmdWrite", 2)->click();
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(control<QWidget>(*window_, qPrintable(widget)));
    QVERIFY(accessible);
    if (!name.isNull())
        QCOMPARE(accessible->text(QAccessible::Name), name);
    QCOMPARE(accessible->text(QAccessible::Description), description);
}

void TestAccessibility::linesAndClickAreasLeftOut() {
    start(1);
    QSet<QObject*> reached;
    collect(QAccessible::queryAccessibleInterface(window_.get()), reached);
    // The walk reaches the controls of the page in front, not those of the
    // page behind, which nobody sees...
    const char* dataPage[] = {"txtInput(9)", "InputSel(0)", "cmdWrite(4)", "Label1(1)"};
    for (const char* name : {"Label1(0)", "optPD1(13)", "Picture6"})
        QVERIFY2(reached.contains(control<QWidget>(*window_, name)), name);
    for (const char* name : dataPage)
        QVERIFY2(!reached.contains(control<QWidget>(*window_, name)), name);
    control<TabbedSheet>(*window_, "SSTab1")->setCurrentIndex(0);
    reached.clear();
    collect(QAccessible::queryAccessibleInterface(window_.get()), reached);
    for (const char* name : dataPage)
        QVERIFY2(reached.contains(control<QWidget>(*window_, name)), name);
    // ...and none of the lines and click areas.
    const QList<LineControl*> lines = window_->findChildren<LineControl*>();
    const QList<ClickArea*> areas = window_->findChildren<ClickArea*>();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(areas.size(), 3);
    QStringList told;
    for (QWidget* silent :
         QList<QWidget*>(lines.begin(), lines.end()) + QList<QWidget*>(areas.begin(), areas.end()))
        if (reached.contains(silent))
            told << silent->objectName();
    QVERIFY2(told.isEmpty(), qPrintable(told.join(", ")));
    // The frames still carry their captions.
    QCOMPARE(QAccessible::queryAccessibleInterface(control<QWidget>(*window_, "Frame8"))
                 ->text(QAccessible::Name),
             QString("Input Code (Hex)"));
    QCOMPARE(QAccessible::queryAccessibleInterface(control<QWidget>(*window_, "Frame8"))->role(),
             QAccessible::Grouping);
}

// A reading tells what its output does, not only its number: powered down
// (drawn disabled), held at 0 V by CLR, a loaded code waiting for LDAC
// (slanted, and on the write button too).
void TestAccessibility::readingStates_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QString>("write"); // cmdWrite(0)'s accessible description
    QTest::newRow("start") << QStringList() << "DAC1 output voltage, powered down" << false << false
                           << "DAC is powered down";
    QTest::newRow("powered up") << QStringList{"up"} << "DAC1 output voltage" << true << false
                                << "DAC is powered up";
    QTest::newRow("a code waiting")
        << QStringList{"up", "write"} << "DAC1 output voltage, code 0x0800 waits for LDAC" << true
        << true << "DAC is powered up; code 0x0800 waits for LDAC";
    QTest::newRow("loaded by a pulse")
        << QStringList{"up", "write", "pulse"} << "DAC1 output voltage" << true << false
        << "DAC is powered up";
    QTest::newRow("CLR held low")
        << QStringList{"up", "write", "pulse", "clr low"}
        << "DAC1 output voltage, held at 0 V by CLR, code 0x0800 waits for CLR high and LDAC"
        << true << true << "DAC is powered up; code 0x0800 waits for LDAC";
}

void TestAccessibility::readingStates() {
    QFETCH(QStringList, steps);
    QFETCH(QString, description);
    QFETCH(bool, enabled);
    QFETCH(bool, italic);
    QFETCH(QString, write);
    start(1);
    for (const QString& step : steps) {
        if (step == "up") {
            control<OptionButton>(*window_, "optPD1", 1)->click();
        } else if (step == "write") {
            control<QLineEdit>(*window_, "txtInput", 4)->setText("800");
            control<OptionButton>(*window_, "InputSel", 4)->setChecked(true);
            control<QPushButton>(*window_, "cmdWrite", 0)->click();
        } else if (step == "pulse") {
            control<QPushButton>(*window_, "cmdLDAC", 0)->click();
        } else {
            control<QPushButton>(*window_, "cmdCLR", 2)->click();
        }
    }
    auto* reading = control<QLabel>(*window_, "lblVoltage", 0);
    QCOMPARE(QAccessible::queryAccessibleInterface(reading)->text(QAccessible::Description),
             description);
    QCOMPARE(reading->isEnabled(), enabled);
    QCOMPARE(reading->font().italic(), italic);
    QCOMPARE(QAccessible::queryAccessibleInterface(control<QPushButton>(*window_, "cmdWrite", 0))
                 ->text(QAccessible::Description),
             write);
}

// What the form never shows (the frames "DAC 5" and "Temperature Shutdown",
// the single part's other channels) is not told and cannot be pressed; an
// unlit lamp is told once it lights. Every action a screen reader is offered
// inside the form belongs to a control in view, and pressing them all sends
// no control word with the hidden frames' bits (0x40, 0x02).
void TestAccessibility::hiddenControlsLeftOut_data() {
    QTest::addColumn<int>("part");
    QTest::newRow("QV7310") << 1;
    QTest::newRow("QV7301") << 0;
}

void TestAccessibility::hiddenControlsLeftOut() {
    QFETCH(int, part);
    start(part);
    const QWidget* client = window_->centralWidget();
    auto* sheet = control<TabbedSheet>(*window_, "SSTab1");
    QSet<QObject*> reached;
    // Each page as a person meets it: in front.
    for (int page : {1, 0}) {
        sheet->setCurrentIndex(page);
        QSet<QObject*> onPage;
        collect(QAccessible::queryAccessibleInterface(window_.get()), onPage);
        reached += onPage;
    }
    QStringList hidden{"Frame10",    "Frame16",    "optPD1(8)", "optPD1(9)",
                       "optPD1(10)", "optPD1(11)", "HVLED(3)"};
    if (part == 0)
        hidden << "Frame11"
               << "optPD1(6)"
               << "cmdWrite(0)"
               << "lblVoltage(3)"
               << "cmdWrite(4)";
    for (const QString& name : hidden) {
        auto* widget = control<QWidget>(*window_, qPrintable(name));
        QVERIFY2(!reached.contains(widget), qPrintable(name + " is told"));
        QVERIFY2(!widget->isEnabled() || qobject_cast<PictureBox*>(widget) ||
                     qobject_cast<QPushButton*>(widget) || widget->inherits("QLabel"),
                 qPrintable(name + " can be pressed"));
    }
    const QSet<const QWidget*> pages{sheet->page(0), sheet->page(1)};
    QStringList pressedHidden;
    const int mark = SimBoard::get().callCount();
    for (QObject* object : reached) {
        auto* widget = qobject_cast<QWidget*>(object);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
        // The form's controls; the tab row is the toolkit's own.
        if (!widget || !client->isAncestorOf(widget) || sheet->tabBar()->isAncestorOf(widget) ||
            !accessible->actionInterface() ||
            accessible->actionInterface()->actionNames().isEmpty())
            continue;
        // In view on its page: nothing between it and the page is hidden.
        for (const QWidget* w = widget; w && w != client && !pages.contains(w);
             w = w->parentWidget())
            if (w->isHidden())
                pressedHidden << widget->objectName();
        for (const QString& action : accessible->actionInterface()->actionNames())
            accessible->actionInterface()->doAction(action);
    }
    QVERIFY2(pressedHidden.isEmpty(), qPrintable(pressedHidden.join(", ")));
    for (const SimCall& call : SimBoard::get().callsSince(mark))
        QVERIFY2(!(call.request == 221 && (call.value & 0x7000) == 0x7000 && (call.value & 0x42)),
                 qPrintable(Harness::describe(call)));
    // A lamp that lights is told.
    control<OptionButton>(*window_, "optRANGE", 1)->click();
    control<QLineEdit>(*window_, "txtInput", 0)->setText("FFF");
    control<OptionButton>(*window_, "InputSel", 0)->setChecked(true);
    control<QPushButton>(*window_, "cmdLDAC", 2)->click();
    control<QPushButton>(*window_, "cmdWrite", part ? 3 : 2)->click();
    reached.clear();
    collect(QAccessible::queryAccessibleInterface(window_.get()), reached);
    QVERIFY(reached.contains(control<QWidget>(*window_, part ? "HVLED(3)" : "HVLED(2)")));
    QVERIFY(reached.contains(control<QWidget>(*window_, "Picture1")));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
