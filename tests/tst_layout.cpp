// The main window as it is drawn, for both parts: where every control sits,
// its caption and state, the pictures, colours and fonts, the Tab order, and
// that no caption is clipped.
#include "PanelHarness.h"
#include "panel/FormLayout.h"
#include "panel/FrameBox.h"
#include "panel/LineControl.h"
#include "panel/OptionButton.h"
#include "panel/PanelApplication.h"
#include "panel/PictureBox.h"
#include "panel/QV7310.h"
#include "panel/TabbedSheet.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QtTest>
#include <cmath>
#include <memory>

using Harness::control;

namespace {

// The form is drawn in twips; 15 make one pixel, rounded to the nearest.
int px(int twips) {
    return qRound(twips / 15.0);
}
QPoint px(QPoint t) {
    return QPoint(px(t.x()), px(t.y()));
}
QRect px(QRect t) {
    return QRect(px(t.topLeft()), QSize(px(t.width()), px(t.height())));
}
QString show(QRect r) {
    return QString::asprintf("%d,%d %dx%d", r.x(), r.y(), r.width(), r.height());
}

QString captionOf(const QWidget* w) {
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(w))
        return frame->title();
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return edit->text();
    auto* label = qobject_cast<const QLabel*>(w);
    return label ? label->text() : QString();
}

// Why `caption` would be clipped in `w` at the font it is drawn with, or
// nothing when it fits.
QString misfit(QWidget* w, const QString& caption) {
    w->ensurePolished();
    const QStyle* style = w->style();
    QRect room = w->contentsRect();
    int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    if (auto* option = qobject_cast<OptionButton*>(w)) {
        room = option->captionRect().intersected(w->rect());
        flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(button);
        if (button->autoDefault())
            opt.features |= QStyleOptionButton::AutoDefaultButton;
        room = style->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
    } else if (auto* box = qobject_cast<FrameBox*>(w)) {
        room = box->captionRect();
        flags = Qt::AlignLeft | Qt::AlignTop;
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
        // The title starts where the style puts it and must end inside the frame.
        QStyleOptionGroupBox opt;
        opt.initFrom(frame);
        opt.text = caption;
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QPoint title =
            style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, frame)
                .topLeft();
        room = QRect(title, frame->rect().bottomRight());
        flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic;
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        // Inside its frame the box keeps two pixels beside the text and one above and below.
        const int f = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        room =
            edit->rect().marginsRemoved(edit->textMargins()).adjusted(f + 2, f + 1, -f - 2, -f - 1);
        flags = Qt::AlignLeft | Qt::AlignVCenter;
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        const int m = label->margin();
        room = label->contentsRect().adjusted(m, m, -m, -m);
        flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    }
    const QRect need = w->fontMetrics().boundingRect(room, flags, caption);
    if (room.contains(need))
        return QString();
    return QStringLiteral("%1: \"%2\" needs %3 but has %4")
        .arg(w->objectName(), caption, show(need), show(room));
}

// Every captioned control under `root` that clips its caption; `measured`
// counts the controls looked at.
QStringList misfitsUnder(QWidget* root, int& measured) {
    QStringList problems;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        QString caption = captionOf(w);
        if (w->objectName().startsWith(QLatin1String("lblVoltage")))
            caption = QStringLiteral("59.9854V"); // the widest reading
        else if (qobject_cast<QLineEdit*>(w))
            caption = QStringLiteral("FFF");
        if (caption.isEmpty() || qobject_cast<PictureBox*>(w))
            continue;
        ++measured;
        const QString problem = misfit(w, caption);
        if (!problem.isEmpty())
            problems << problem;
    }
    return problems;
}

QImage iconImage(const QWidget* w) {
    return w->windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colour covering most of `area` (in logical pixels) in `shot`.
QColor dominantColour(const QImage& shot, const QRect& area) {
    QHash<QRgb, int> counts;
    const qreal ratio = shot.devicePixelRatio();
    const QRect inside =
        QRect(area.topLeft() * ratio, area.size() * ratio).intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[shot.pixel(x, y) | 0xff000000u];
    QRgb best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(best))
            best = it.key();
    return QColor::fromRgb(best);
}

int colourGap(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data();
    void init();
    void cleanup();
    void windowSizeFlagsTitleAndIcon();
    void darkDesktopStaysReadable();
    void menusAndTheirItems();
    void sheetPagesAndTabWidths();
    void controlPlacement_data();
    void controlPlacement();
    void picturesAndLamps();
    void backgroundColours();
    void fontsRequestedAndResolved();
    void captionsFitTheirControls();
    void dialogCaptionsFitAndIconsMatch();
    void tabOrderOnDataRegisters();
    void tabOrderOnControlRegister();

private:
    QWidget* named(const QString& name) const { return window->findChild<QWidget*>(name); }
    QString focusName() const;
    QStringList pressTab(int times) const;
    QTabBar* tabs() const { return control<TabbedSheet>(*window, "SSTab1")->tabBar(); }
    void clickTab(int i) const {
        QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(i).center());
    }

    std::unique_ptr<Harness::DialogAnswerer> answers;
    std::unique_ptr<QV7310> window;
    QStringList dialogButtons; // "class: caption, caption" for each dialog shown
    QStringList dialogProblems;
};

void TestLayout::initTestCase_data() {
    QTest::addColumn<bool>("quad");
    QTest::newRow("QV7310") << true;
    QTest::newRow("QV7301") << false;
}

void TestLayout::init() {
    QFETCH_GLOBAL(bool, quad);
    dialogButtons.clear();
    dialogProblems.clear();
    answers = std::make_unique<Harness::DialogAnswerer>(quad ? 1 : 0);
    // A dialog lives only while it is answered: check it then.
    answers->onShow = [this](QDialog& dialog) {
        const QString name = dialog.metaObject()->className();
        QStringList captions;
        for (const QPushButton* button : dialog.findChildren<QPushButton*>())
            captions << button->text();
        dialogButtons << name + ": " + captions.join(", ");
        int measured = 0;
        dialogProblems += misfitsUnder(&dialog, measured);
        if (dialog.windowIcon().isNull() || !dialog.parentWidget() ||
            iconImage(&dialog) != iconImage(dialog.parentWidget()))
            dialogProblems << name + " has another icon than the window";
    };
    // The window is never closed here: its exit sequence stays on, and the
    // menu shows it as a fresh window does.
    window = Harness::startPanel(true);
}

void TestLayout::cleanup() {
    window.reset();
    answers.reset();
}

QString TestLayout::focusName() const {
    const QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return QStringLiteral("(nothing)");
    return focus == tabs() ? QStringLiteral("tab bar") : focus->objectName();
}

QStringList TestLayout::pressTab(int times) const {
    QStringList reached;
    for (int i = 0; i < times && QApplication::focusWidget(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << focusName();
    }
    return reached;
}

void TestLayout::windowSizeFlagsTitleAndIcon() {
    QFETCH_GLOBAL(bool, quad);
    QCOMPARE(window->centralWidget()->size(), QSize(px(10305), px(7140)));
    // The board status in the menu bar's corner makes the bar no taller.
    const QMenuBar* bar = window->menuBar();
    QVERIFY(bar->cornerWidget());
    QVERIFY(bar->cornerWidget()->sizeHint().height() <=
            bar->actionGeometry(bar->actions().constFirst()).height());
    // Measured after the first paint, it then holds its longest text.
    const QWidget* corner = bar->cornerWidget();
    QTRY_VERIFY(corner->width() >=
                corner->fontMetrics().horizontalAdvance("Board: not responding (status -32768)"));
    // The status line under the form adds one line of text, nothing else.
    const QStatusBar* status = window->statusBar();
    QVERIFY(status->height() < 2 * status->fontMetrics().height());
    QCOMPARE(window->size(),
             window->centralWidget()->size() + QSize(0, bar->height() + status->height()));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QCOMPARE(window->size(), window->minimumSize());
    QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window->windowTitle(),
             QString(quad ? "QV7310 Quad High Voltage DAC" : "QV7301 High Voltage DAC"));
    QVERIFY(!window->windowIcon().isNull());
}

void TestLayout::menusAndTheirItems() {
    // "menu:caption" for each menu, then "name|caption|state" for its items,
    // state being [x] checked, [ ] unchecked or - for a separator.
    QStringList got;
    for (const QAction* top : window->menuBar()->actions()) {
        const QMenu* menu = top->menu();
        got << (menu ? menu->objectName() : QStringLiteral("(no menu)")) + ":" + top->text();
        for (const QAction* a : menu ? menu->actions() : QList<QAction*>()) {
            const char* state = a->isSeparator()    ? "-"
                                : !a->isCheckable() ? ""
                                : a->isChecked()    ? "[x]"
                                                    : "[ ]";
            got << a->objectName() + "|" + a->text() + "|" + state;
        }
    }
    QCOMPARE(got,
             QStringList({"mnuFile:&File", "mnuReload|Reload USB|", "mnuExit|Exit|", "mnuDash||-",
                          "cmdDACoff|Turn off DACs when program exits (Recommended)|[x]",
                          "mnuDontRESET|Exit without reseting DACs|[ ]", "mnuView:&View",
                          "mnuHistory|History...|", "mnuOptions:&Options", "mnuLimits|Limits...|",
                          "mnuTools:&Tools", "mnuLinearity|Linearity...|", "mnuHelp:&About",
                          "mnuAbout|Version|"}));
}

void TestLayout::sheetPagesAndTabWidths() {
    TabbedSheet* sheet = control<TabbedSheet>(*window, "SSTab1");
    QTabBar* bar = sheet->tabBar();
    QCOMPARE(sheet->pageCount(), 2);
    QCOMPARE(bar->count(), 2);
    QCOMPARE(bar->tabText(0), QStringLiteral("Data Registers"));
    QCOMPARE(bar->tabText(1), QStringLiteral("Control Register"));
    QCOMPARE(sheet->currentIndex(), 1);
    QVERIFY(sheet->page(1)->isVisible() && !sheet->page(0)->isVisible());
    // Two tabs sized as if three shared the row: its left two thirds.
    const int third = px(9585) / 3;
    for (int t = 0; t < 2; ++t) {
        const QRect tab(bar->mapTo(sheet, bar->tabRect(t).topLeft()), bar->tabRect(t).size());
        QVERIFY2(qAbs(tab.width() - third) <= 2 && qAbs(tab.left() - t * third) <= 2,
                 qPrintable(QStringLiteral("tab %1 at %2").arg(t).arg(show(tab))));
    }
    // The page in front covers the whole sheet: its controls sit in sheet coordinates.
    for (int p : {0, 1}) {
        sheet->setCurrentIndex(p);
        QWidget* page = sheet->page(p);
        QCOMPARE(page->objectName(), QStringLiteral("SSTab1.%1").arg(p));
        QCOMPARE(QRect(page->mapTo(sheet, QPoint()), page->size()),
                 QRect(0, 0, px(9585), px(5475)));
    }
}

void TestLayout::controlPlacement_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent"); // "" is the client area
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRect>("twips"); // a line runs from top left to bottom right
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("visible");
    auto add = [](const QString& name, const char* parent, const char* kind, QRect twips,
                  const char* caption = "", bool selected = false, bool visible = true) {
        QTest::newRow(qPrintable(name)) << name << QString(parent) << QString(kind) << twips
                                        << QString(caption) << selected << visible;
    };
    auto line = [&add](const QString& name, const char* parent, int x1, int y1, int x2, int y2) {
        add(name, parent, "LineControl", QRect(QPoint(x1, y1), QPoint(x2, y2)));
    };
    const char* codes[10] = {"00", "200", "400", "600", "800", "A00", "C00", "E00", "FFF", "FFF"};
    const char* writes[5] = {"Load DAC1", "Load DAC2", "Load DAC3", "Load DAC4",
                             "Write to all DACs"};
    const char* ldac[3] = {"Pulse LDAC", "LDAC High", "LDAC Low"};
    const char* clr[3] = {"Pulse CLR", "CLR High", "CLR Low"};
    add("Picture6", "", "PictureBox", {0, -50, 173 * 15, 72 * 15}); // sized to its image
    add("Picture7", "", "PictureBox", {2580, 0, 518 * 15, 29 * 15});
    add("Picture5", "", "PictureBox", {2580, 420, 7815, 615});
    add("SSTab1", "", "TabbedSheet", {360, 1260, 9585, 5475});
    add("Picture4", "", "PictureBox", {9780, 1080, 615, 495});
    add("Picture3", "", "PictureBox", {9660, 6420, 615, 495});
    add("Picture2", "", "PictureBox", {-60, 6480, 615, 495});
    // Page 0, in sheet coordinates.
    add("Frame8", "SSTab1.0", "QGroupBox", {660, 720, 1395, 4515}, "Input Code (Hex)");
    line("Line2(10)", "SSTab1.0", 2040, 1980, 2520, 1980);
    add("hvLEF", "SSTab1.0", "QGroupBox", {2460, 600, 4275, 2595}, "DAC Write");
    add("Frame2", "SSTab1.0", "QGroupBox", {2460, 3420, 2355, 1815}, "LDAC Function");
    add("fraCLR", "SSTab1.0", "QGroupBox", {4920, 3420, 2355, 1815}, "CLR Function");
    add("Frame3", "SSTab1.0", "QGroupBox", {6900, 600, 1875, 675}, "Range Select");
    add("Picture1", "SSTab1.0", "PictureBox", {6900, 1500, 154 * 15, 41 * 15}, "", false, false);
    add("Label2(1)", "SSTab1.0", "QLabel", {8040, 4680, 0, 0}, "SPI Value"); // only placed
    add("Label1(1)", "SSTab1.0", "QLabel", {8040, 4920, 1275, 315});
    for (int i = 0; i < 10; ++i) {
        const int top = 240 + 420 * i;
        add(FormLayout::ControlName("txtInput", i), "Frame8", "QLineEdit", {120, top, 795, 315},
            codes[i]);
        add(FormLayout::ControlName("InputSel", i), "Frame8", "OptionButton",
            {960, top + 60, 195, 195}, "", i == 0);
        line(FormLayout::ControlName("Line2", i), "Frame8", 1140, top + 180, 1380, top + 180);
    }
    line("Line4", "Frame8", 1380, 420, 1380, 4200);
    line("Line1", "hvLEF", 10, 500, 10, 2200);
    for (int i = 0; i < 5; ++i) {
        const int top = 360 + 420 * i;
        add(FormLayout::ControlName("cmdWrite", i), "hvLEF", "QPushButton", {300, top, 2175, 375},
            writes[i]);
        if (i == 4)
            break;
        add(FormLayout::ControlName("HVLED", i), "hvLEF", "PictureBox",
            {420, top + 60, 14 * 15, 14 * 15}, "", false, false);
        add(FormLayout::ControlName("lblVoltage", i), "hvLEF", "QLabel", {2640, top, 1515, 375},
            "0.0000V");
    }
    for (const auto& stub : {std::pair{11, 480}, {12, 960}, {15, 1380}, {13, 1800}, {14, 2220}})
        line(FormLayout::ControlName("Line2", stub.first), "hvLEF", 0, stub.second, 360,
             stub.second);
    for (int i = 0; i < 3; ++i) {
        const int top = 300 + 420 * i;
        add(FormLayout::ControlName("cmdLDAC", i), "Frame2", "QPushButton", {180, top, 1935, 375},
            ldac[i]);
        add(FormLayout::ControlName("cmdCLR", i), "fraCLR", "QPushButton", {180, top, 1935, 375},
            clr[i]);
    }
    add("optRANGE(0)", "Frame3", "OptionButton", {180, 240, 795, 315}, "30V", true);
    add("optRANGE(1)", "Frame3", "OptionButton", {1020, 240, 795, 315}, "60V");
    // Page 1, in sheet coordinates.
    add("Frame9", "SSTab1.1", "QGroupBox", {420, 600, 3495, 3375});
    add("Frame15", "SSTab1.1", "QGroupBox", {4080, 600, 3495, 1755});
    add("Label2(0)", "SSTab1.1", "QLabel", {8040, 4680, 0, 0}, "SPI Value");
    add("Label1(0)", "SSTab1.1", "QLabel", {8040, 4920, 1275, 315});
    // A two-button frame: the selected button on the left, its partner on the right.
    auto pair = [&add](const char* frame, const char* parent, const char* caption, QPoint at,
                       bool visible, int down, const char* downText, int up, const char* upText,
                       int upLeft = 1600) {
        add(frame, parent, "QGroupBox", {at.x(), at.y(), 2955, 615}, caption, false, visible);
        add(FormLayout::ControlName("optPD1", down), frame, "OptionButton", {300, 240, 1300, 255},
            downText, true);
        add(FormLayout::ControlName("optPD1", up), frame, "OptionButton", {upLeft, 240, 1300, 255},
            upText);
    };
    pair("Frame14", "Frame9", "DAC 1", {300, 360}, true, 0, "Power-Down", 1, "Power-Up");
    pair("Frame13", "Frame9", "DAC 2", {300, 1020}, true, 2, "Power-Down", 3, "Power-Up");
    pair("Frame12", "Frame9", "DAC 3", {300, 1740}, true, 5, "Power-Down", 4, "Power-Up");
    pair("Frame11", "Frame9", "DAC 4", {300, 2460}, true, 7, "Power-Down", 6, "Power-Up", 1620);
    pair("Frame10", "Frame9", "DAC 5", {300, 3180}, false, 9, "Power-Down", 8, "Power-Up");
    pair("Frame16", "Frame15", "Temperature Shutdown", {180, 1560}, false, 10, "Enable", 11,
         "Disable");
    add("Frame17", "Frame15", "QGroupBox", {300, 420, 2955, 1035}, "Power-Down Mode Selection");
    add("optPD1(12)", "Frame17", "OptionButton", {300, 300, 1300, 435}, "Resistor to GND", true);
    add("optPD1(13)", "Frame17", "OptionButton", {1600, 360, 1245, 255}, "Three-State");
}

void TestLayout::controlPlacement() {
    QFETCH_GLOBAL(bool, quad);
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QString, kind);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);
    QFETCH(bool, selected);
    QFETCH(bool, visible);
    // The single part hides the other channels' controls and moves nothing.
    static const QStringList hiddenForSingle = {
        "cmdWrite(0)",   "cmdWrite(1)",   "cmdWrite(3)",   "cmdWrite(4)",
        "lblVoltage(0)", "lblVoltage(1)", "lblVoltage(3)", "Line1",
        "Line2(11)",     "Line2(12)",     "Line2(13)",     "Line2(14)",
        "Frame10",       "Frame11",       "Frame12",       "Frame13"};
    if (!quad) {
        visible = visible && !hiddenForSingle.contains(name);
        if (name == QLatin1String("cmdWrite(2)"))
            caption = QStringLiteral("Load DAC");
    }
    QWidget* w = named(name);
    QVERIFY2(w, qPrintable(name + " does not exist"));
    QVERIFY2(w->inherits(qPrintable(kind)),
             qPrintable(name + " is a " + w->metaObject()->className()));
    QWidget* container = parent.isEmpty() ? window->centralWidget() : named(parent);
    QVERIFY2(container && w->parentWidget() == container,
             qPrintable(name + " is not inside " + parent));
    if (auto* drawn = qobject_cast<LineControl*>(w)) {
        QCOMPARE(drawn->from(), px(twips.topLeft()));
        QCOMPARE(drawn->to(), px(twips.bottomRight()));
        QVERIFY2(w->geometry().contains(drawn->from()) && w->geometry().contains(drawn->to()),
                 qPrintable(name + " cannot draw its whole length"));
    } else if (twips.isEmpty()) {
        QCOMPARE(w->pos(), px(twips.topLeft()));
    } else {
        QCOMPARE(w->geometry(), px(twips));
    }
    QCOMPARE(captionOf(w), caption);
    if (auto* option = qobject_cast<OptionButton*>(w))
        QCOMPARE(option->isChecked(), selected);
    QCOMPARE(!w->isHidden(), visible);
}

void TestLayout::picturesAndLamps() {
    // Run once unscaled and once with QT_SCALE_FACTOR=2: the boxes keep their
    // logical sizes while the pictures bring the pixels of the screen.
    const int scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                          ? qEnvironmentVariableIntValue("QT_SCALE_FACTOR")
                          : 1;
    auto pixels = [scale](const PictureBox* box) {
        return box->pixmap().devicePixelRatio() == scale ? box->pixmap().size() / scale : QSize();
    };
    QCOMPARE(control<PictureBox>(*window, "Picture6")->pixmap().devicePixelRatio(), qreal(scale));
    QCOMPARE(control<PictureBox>(*window, "Picture6")->pixmap().size(), QSize(173, 72) * scale);
    for (PictureBox* sized :
         {control<PictureBox>(*window, "Picture6"), control<PictureBox>(*window, "Picture7")})
        QCOMPARE(sized->size(), pixels(sized));
    QCOMPARE(pixels(control<PictureBox>(*window, "Picture6")), QSize(173, 72));
    QCOMPARE(pixels(control<PictureBox>(*window, "Picture7")), QSize(518, 29));
    // The slogan is a pixel taller than its box, which clips it.
    QCOMPARE(pixels(control<PictureBox>(*window, "Picture5")), QSize(518, 42));
    QCOMPARE(control<PictureBox>(*window, "Picture5")->height(), 41);
    // The caution label inside a two-pixel border.
    QCOMPARE(pixels(control<PictureBox>(*window, "Picture1")), QSize(150, 37));
    QCOMPARE(control<PictureBox>(*window, "Picture1")->frameWidth(), 2);
    QCOMPARE(control<PictureBox>(*window, "Picture1")->size(), QSize(154, 41));
    // The logo's rounded corners stay see-through.
    QVERIFY2(control<PictureBox>(*window, "Picture6")->pixmap().hasAlphaChannel(),
             "the logo lost its transparency");
    for (PictureBox* area :
         {control<PictureBox>(*window, "Picture2"), control<PictureBox>(*window, "Picture3"),
          control<PictureBox>(*window, "Picture4")})
        QVERIFY2(area->pixmap().isNull() && area->text().isEmpty(),
                 qPrintable(area->objectName() + " shows something"));
    // A lamp: red, inside a darker two-pixel rim, drawn with the screen's pixels.
    QImage lampImage(14 * scale, 14 * scale, QImage::Format_RGB32);
    lampImage.fill(QColor(222, 0, 66));
    for (int y = 2 * scale; y < 12 * scale; ++y)
        for (int x = 2 * scale; x < 12 * scale; ++x)
            lampImage.setPixelColor(x, y, QColor(255, 8, 82));
    for (int i = 0; i < 4; ++i) {
        PictureBox* lamp = control<PictureBox>(*window, "HVLED", i);
        QPushButton* button = control<QPushButton>(*window, "cmdWrite", i);
        QCOMPARE(pixels(lamp), QSize(14, 14));
        QVERIFY2(lamp->pixmap().toImage().convertToFormat(QImage::Format_RGB32) == lampImage,
                 qPrintable(lamp->objectName() + " is not the red lamp with its darker rim"));
        // The lamp sits on its write button and is drawn over it.
        const QObjectList& siblings = lamp->parent()->children();
        QVERIFY2(siblings.indexOf(lamp) > siblings.indexOf(button) &&
                     button->geometry().contains(lamp->geometry()),
                 qPrintable(lamp->objectName() + " is not over " + button->objectName()));
        QCOMPARE(button->toolTip(), QStringLiteral("DAC is powered down"));
    }
    QCOMPARE(control<QPushButton>(*window, "cmdWrite", 4)->toolTip(), QString());
}

void TestLayout::backgroundColours() {
    const QColor white(Qt::white);
    const QColor face = QApplication::palette().color(QPalette::Button);
    QVERIFY2(colourGap(face, white) > 24, qPrintable("the button face is " + face.name()));
    const QStringList whites = {"Label1(0)", "Label1(1)", "Picture2", "Picture3", "Picture4"};
    QStringList wrong;
    int sampled = 0;
    for (int page : {0, 1}) {
        control<TabbedSheet>(*window, "SSTab1")->setCurrentIndex(page);
        const QImage shot = window->grab().toImage();
        // The style shades surfaces a little: a colour counts as white or as
        // the face by which of the two it is nearer.
        auto check = [&](const QString& what, const QRect& area, bool shouldBeWhite) {
            const QColor got = dominantColour(shot, area);
            ++sampled;
            if (colourGap(got, shouldBeWhite ? white : face) >=
                colourGap(got, shouldBeWhite ? face : white))
                wrong << what + " is " + got.name() +
                             (shouldBeWhite ? ", not white" : ", not the face");
        };
        // Bare stretches of the client area and of the page.
        check("window",
              QRect(window->centralWidget()->mapTo(window.get(), QPoint(100, 72)), QSize(60, 10)),
              true);
        check("page",
              QRect(control<TabbedSheet>(*window, "SSTab1")->mapTo(window.get(), QPoint(600, 150)),
                    QSize(30, 100)),
              true);
        // Then every frame, button and label shown, and the white areas.
        for (QWidget* w : window->centralWidget()->findChildren<QWidget*>()) {
            const bool shouldBeWhite = whites.contains(w->objectName());
            const bool faced = qobject_cast<QGroupBox*>(w) || qobject_cast<QPushButton*>(w) ||
                               (qobject_cast<QLabel*>(w) && !qobject_cast<PictureBox*>(w));
            if (!w->isVisible() || !(shouldBeWhite || faced))
                continue;
            QRect area(w->mapTo(window.get(), QPoint()), w->size());
            // A button is shaded top to bottom: take its middle row, left of the caption.
            if (qobject_cast<QPushButton*>(w))
                area = QRect(area.left() + 4, area.center().y(), 1, 1);
            check(w->objectName(), area, shouldBeWhite);
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
    QVERIFY2(sampled > 25, qPrintable(QStringLiteral("only %1 colours sampled").arg(sampled)));
}

void TestLayout::fontsRequestedAndResolved() {
    QFETCH_GLOBAL(bool, quad);
    const QFont dialog = window->font();
    // The window asks for "MS Sans Serif" where it is installed, else
    // directly for the first installed face that stands in for it, so no
    // fallback search runs; a request for the old name gets the same face.
    const QString form = QStringLiteral("MS Sans Serif");
    const QStringList installed = QFontDatabase::families();
    QString expected = form;
    for (const QString& family : QStringList{form} + QFont::substitutes(form)) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            expected = family;
            break;
        }
    }
    QCOMPARE(QFont::substitutes(form).join(',').toLower(), QStringLiteral("arial,liberation sans"));
    QVERIFY2(dialog.family().compare(expected, Qt::CaseInsensitive) == 0,
             qPrintable(dialog.family() + " asked for, not " + expected));
    QCOMPARE(dialog.pointSizeF(), 8.25);
    const QString resolved = QFontInfo(dialog).family();
    if (quad) // once per run
        qInfo("dialog font asks for %s, resolves to %s", qPrintable(dialog.family()),
              qPrintable(resolved));
    QCOMPARE(resolved, dialog.family());
    QFont oldName(form);
    oldName.setPointSizeF(8.25);
    QCOMPARE(QFontInfo(oldName).family(), resolved);
    QStringList wrong;
    for (const QWidget* w : window->centralWidget()->findChildren<QWidget*>()) {
        if (captionOf(w).isEmpty() && !qobject_cast<const QLineEdit*>(w))
            continue;
        const bool voltage = w->objectName().startsWith(QLatin1String("lblVoltage"));
        const QFont f = w->font();
        if (f.family() != dialog.family() || f.pointSizeF() != (voltage ? 12.0 : 8.25) ||
            f.bold() != voltage)
            wrong << w->objectName() + ": " + f.toString();
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
}

void TestLayout::captionsFitTheirControls() {
    int measured = 0;
    QStringList problems = misfitsUnder(window->centralWidget(), measured);
    QVERIFY2(measured >= 55, qPrintable(QStringLiteral("only %1 captions measured").arg(measured)));
    QMenuBar* bar = window->menuBar();
    for (QAction* top : bar->actions()) {
        if (bar->fontMetrics().horizontalAdvance(top->text()) > bar->actionGeometry(top).width())
            problems << "menu " + top->text();
        for (QAction* item : top->menu()->actions()) {
            const int need = top->menu()->fontMetrics().horizontalAdvance(item->text());
            if (!item->isSeparator() && need > top->menu()->actionGeometry(item).width())
                problems << "menu item " + item->text();
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

void TestLayout::dialogCaptionsFitAndIconsMatch() {
    // The credits open after clicks on three corners, in order.
    for (PictureBox* corner :
         {control<PictureBox>(*window, "Picture2"), control<PictureBox>(*window, "Picture3"),
          control<PictureBox>(*window, "Picture4")})
        QTest::mouseClick(corner, Qt::LeftButton);
    QCOMPARE(dialogButtons,
             QStringList({"frmPartSelect: QV7301, QV7310", "created: Back to the Real World..."}));
    QVERIFY2(dialogProblems.isEmpty(), qPrintable(dialogProblems.join('\n')));
}

void TestLayout::tabOrderOnDataRegisters() {
    QFETCH_GLOBAL(bool, quad);
    clickTab(0);
    QCOMPARE(control<TabbedSheet>(*window, "SSTab1")->currentIndex(), 0);
    QCOMPARE(focusName(), QStringLiteral("tab bar"));
    // Of the rows' option buttons only the selected one takes Tab.
    // Top to bottom, left to right, frame by frame.
    QStringList expected{"txtInput(0)", "InputSel(0)"};
    for (int i = 1; i <= 9; ++i)
        expected << FormLayout::ControlName("txtInput", i);
    for (int i = 0; i <= 4; ++i)
        if (quad || i == 2)
            expected << FormLayout::ControlName("cmdWrite", i);
    expected += QStringList{"optRANGE(0)", "cmdLDAC(0)", "cmdLDAC(1)", "cmdLDAC(2)",
                            "cmdCLR(0)",   "cmdCLR(1)",  "cmdCLR(2)",  "tab bar"};
    QCOMPARE(pressTab(int(expected.size())), expected);
}

void TestLayout::tabOrderOnControlRegister() {
    QFETCH_GLOBAL(bool, quad);
    QCOMPARE(control<TabbedSheet>(*window, "SSTab1")->currentIndex(), 1);
    QCOMPARE(focusName(), QStringLiteral("tab bar"));
    const QStringList expected = quad ? QStringList{"optPD1(0)", "optPD1(2)",  "optPD1(5)",
                                                    "optPD1(7)", "optPD1(12)", "tab bar"}
                                      : QStringList{"optPD1(0)", "optPD1(12)", "tab bar"};
    QCOMPARE(pressTab(int(expected.size())), expected);
    if (!quad)
        return; // DAC 2 is hidden for the single part
    // Selecting "Power-Up" in DAC 2 moves that frame's Tab stop to it.
    QTest::mouseClick(control<OptionButton>(*window, "optPD1", 3), Qt::LeftButton);
    QVERIFY(control<OptionButton>(*window, "optPD1", 3)->isChecked());
    clickTab(1);
    QCOMPARE(focusName(), QStringLiteral("tab bar"));
    QCOMPARE(pressTab(6), QStringList({"optPD1(0)", "optPD1(3)", "optPD1(5)", "optPD1(7)",
                                       "optPD1(12)", "tab bar"}));
}

// A dark desktop theme hands the application a dark palette, white text on
// dark grey; the form paints its own light areas. Every caption must still
// stand out from what it is drawn on: contrast of at least 4.5 to 1 between
// the lightest and darkest pixels of the menu titles, the tab captions and
// the board status.
void TestLayout::darkDesktopStaysReadable() {
    QPalette dark;
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
        dark.setColor(role, QColor(0x30, 0x30, 0x30));
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    PanelApplication::Init(); // as the program starts under that theme
    QTest::qWait(50);
    auto luminance = [](QRgb c) {
        auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    auto contrast = [&](QWidget* widget, const QRect& rect) {
        const QImage image = widget->grab(rect).toImage();
        double lightest = 0, darkest = 1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const double l = luminance(image.pixel(x, y));
                lightest = std::max(lightest, l);
                darkest = std::min(darkest, l);
            }
        return (lightest + 0.05) / (darkest + 0.05);
    };
    QMenuBar* bar = window->menuBar();
    for (QAction* title : bar->actions())
        QVERIFY2(contrast(bar, bar->actionGeometry(title)) >= 4.5, qPrintable(title->text()));
    QTabBar* tabs = control<TabbedSheet>(*window, "SSTab1")->tabBar();
    for (int i = 0; i < tabs->count(); ++i)
        QVERIFY2(contrast(tabs, tabs->tabRect(i).adjusted(4, 4, -4, -4)) >= 4.5,
                 qPrintable(tabs->tabText(i)));
    QWidget* status = bar->cornerWidget();
    QVERIFY(contrast(status, status->rect()) >= 4.5);
    // And the light palette it keeps is Qt's own light one, every role of
    // every group, as without a desktop theme (the offscreen platform has
    // none): the same pixels as ever. dark_theme checks the real themes.
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QCOMPARE(QApplication::palette(), fusion->standardPalette());
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
