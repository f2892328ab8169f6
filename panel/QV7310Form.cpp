// Building and wiring the main window's form: the menus, the client area and
// its tabbed sheet, every control from the form tables, the pictures, the Tab
// order and the handlers' connections. The page behind ("Data Registers")
// comes after the first paint, or earlier when something needs it.
#include "QV7310.h"

#include "Artwork.h"
#include "Controls.h"
#include "EntryGuard.h"
#include "FindControl.h"
#include "FormBuilder.h"
#include "FormLayout.h"
#include "ScreenReader.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <utility>
#include <vector>

using namespace ControlArrays;
using namespace FormLayout;

namespace {

// The containers of the form tables by name, and the lines still waiting for
// theirs: a line goes onto its container before the container's controls, so
// that they are drawn over it. The form is created in two passes (the page
// behind comes later): a container of the other pass is skipped, with
// whatever it holds.
class Containers {
public:
    Containers() {
        for (const Line& line : MainWindowLines())
            pendingLines_.push_back(&line);
    }
    // nullptr for a skipped container.
    QWidget* find(const char* name) const {
        const QString key = QString::fromLatin1(name);
        if (skipped_.contains(key))
            return nullptr;
        QWidget* container = containers_.value(key);
        if (!container)
            qFatal("the form has no container %s", name);
        return container;
    }
    void add(const QString& name, QWidget* container) {
        containers_.insert(name, container);
        placeLines();
    }
    void skip(const QString& name) { skipped_.insert(name); }

private:
    void placeLines() {
        for (auto it = pendingLines_.begin(); it != pendingLines_.end();) {
            const Line& line = **it;
            QWidget* container = containers_.value(QString::fromLatin1(line.container));
            if (!container) {
                ++it;
                continue;
            }
            auto* widget = new LineControl(TwipsPoint(line.x1, line.y1),
                                           TwipsPoint(line.x2, line.y2), container);
            widget->setObjectName(ControlName(line.name, line.index));
            it = pendingLines_.erase(it);
        }
    }

    QHash<QString, QWidget*> containers_;
    QSet<QString> skipped_;
    std::vector<const Line*> pendingLines_;
};

// Creates, in the form's order, every control of the containers not skipped.
void createControls(Containers& containers) {
    for (const Control& control : MainWindowControls()) {
        const QString name = QString::fromLatin1(control.name);
        QWidget* container = containers.find(control.container);
        if (!container) {
            if (control.kind == Kind::Frame)
                containers.skip(name);
            continue;
        }
        QWidget* widget = FormBuilder::Build(control, container);
        if (control.kind == Kind::Frame)
            containers.add(name, widget);
    }
}

template <typename T> T* bound(const ControlIndex& controls, const char* name) {
    return controls.find<T>(QString::fromLatin1(name));
}

// Every member of a control array, by "name(index)".
template <typename T, std::size_t N>
void bindArray(const ControlIndex& controls, std::array<T*, N>& array, const char* name) {
    for (std::size_t i = 0; i < N; ++i)
        array[i] = controls.find<T>(ControlName(name, static_cast<int>(i)));
}

// Clicks on member i of an array run `handler(i)`.
template <typename Button, std::size_t N>
void connectArray(QV7310* window, const std::array<Button*, N>& buttons,
                  void (QV7310::*handler)(int)) {
    for (int i = 0; i < static_cast<int>(N); ++i)
        QObject::connect(buttons[i], &QAbstractButton::clicked, window,
                         [window, handler, i] { (window->*handler)(i); });
}

// The serial word's box and caption on each page.
constexpr int ControlPageWord = 0;
constexpr int DataPageWord = 1;

// Until the page behind exists: the first input event, for any widget,
// creates it before the event is handled.
class BeforeInput : public QObject {
public:
    explicit BeforeInput(QV7310* window) : QObject(window), window_(window) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
        case QEvent::ContextMenu:
            window_->createDeferredControls();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QV7310* window_;
};

} // namespace

void QV7310::createDeferredControls() {
    if (!dataPageCreated_)
        createDataPage();
}

bool QV7310::event(QEvent* event) {
    // Once the window is drawn, the page behind follows, before anything
    // queued after the paint.
    if (event->type() == QEvent::Paint && !dataPageCreated_ && !dataPageQueued_) {
        dataPageQueued_ = true;
        QMetaObject::invokeMethod(
            this, [this] { createDeferredControls(); }, Qt::QueuedConnection);
    }
    return QMainWindow::event(event);
}

QAction* QV7310::createMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

void QV7310::createMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuReload = createMenuItem(mnuFile, "mnuReload", QStringLiteral("Reload USB"));
    mnuExit = createMenuItem(mnuFile, "mnuExit", QStringLiteral("Exit"));
    mnuDash = mnuFile->addSeparator();
    mnuDash->setObjectName(QStringLiteral("mnuDash"));
    cmdDACoff = createMenuItem(mnuFile, "cmdDACoff",
                               QStringLiteral("Turn off DACs when program exits (Recommended)"));
    mnuDontRESET =
        createMenuItem(mnuFile, "mnuDontRESET", QStringLiteral("Exit without reseting DACs"));
    for (QAction* item : {cmdDACoff, mnuDontRESET})
        item->setCheckable(true);
    cmdDACoff->setChecked(true);
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("About"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = createMenuItem(mnuHelp, "mnuAbout", QStringLiteral("Version"));
}

void QV7310::createForm() {
    QWidget* client = createClientArea();
    createSheet(client);
    Containers containers;
    containers.add(QString(), client);
    containers.add(SSTab1->page(1)->objectName(), SSTab1->page(1));
    containers.skip(SSTab1->page(0)->objectName());
    createControls(containers);
    const ControlIndex controls(*this);
    bindControls(controls);
    createPictures(controls);
    // "SPI Value" is sized to its text, whatever the font it maps to.
    Label2[ControlPageWord]->adjustSize();
    createCreditsAreas(controls);
    createAccessibleTexts();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    SSTab1->setPageBuilder(0, [this] { createDeferredControls(); });
    beforeInput_ = new BeforeInput(this);
}

QWidget* QV7310::createClientArea() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(TwipsSize(ClientWidth, ClientHeight));
    ScreenReader::LeaveOutLinesAndClickAreas(client);
    setCentralWidget(client);
    return client;
}

void QV7310::createSheet(QWidget* client) {
    SSTab1 =
        new TabbedSheet(TwipsSize(SheetWidth, SheetHeight), TwipsToPixels(SheetTabHeight), client);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->move(TwipsPoint(SheetLeft, SheetTop));
    SSTab1->addPage(QStringLiteral("Data Registers"))->setObjectName(QStringLiteral("SSTab1.0"));
    SSTab1->addPage(QStringLiteral("Control Register"))->setObjectName(QStringLiteral("SSTab1.1"));
    SSTab1->setCurrentIndex(1);
}

// The one place the handlers' controls are looked up in the built form; the
// page behind has its own (bindDataPage).
void QV7310::bindControls(const ControlIndex& controls) {
    bindArray(controls, optPD1, "optPD1");
    Frame10 = bound<QGroupBox>(controls, "Frame10");
    Frame11 = bound<QGroupBox>(controls, "Frame11");
    Frame12 = bound<QGroupBox>(controls, "Frame12");
    Frame13 = bound<QGroupBox>(controls, "Frame13");
    Label1[ControlPageWord] = bound<QLabel>(controls, "Label1(0)");
    Label2[ControlPageWord] = bound<QLabel>(controls, "Label2(0)");
}

void QV7310::createPictures(const ControlIndex& controls) {
    // The header pictures take their images' sizes; the slogan is clipped to its box.
    for (const auto& [name, image] :
         {std::pair{"Picture6", Artwork::Logo()}, std::pair{"Picture7", Artwork::Banner()}}) {
        PictureBox* picture = bound<PictureBox>(controls, name);
        picture->setPixmap(image);
        picture->resize(picture->pixmap().deviceIndependentSize().toSize());
    }
    bound<PictureBox>(controls, "Picture5")->setPixmap(Artwork::Slogan());
}

// Areas that show nothing, over the sheet's corners; clicks on all three, in
// order, open the credits.
void QV7310::createCreditsAreas(const ControlIndex& controls) {
    const std::pair<const char*, void (QV7310::*)()> areas[] = {
        {"Picture2", &QV7310::Picture2_Click},
        {"Picture3", &QV7310::Picture3_Click},
        {"Picture4", &QV7310::Picture4_Click}};
    for (const auto& [name, handler] : areas)
        connect(bound<ClickArea>(controls, name), &PictureBox::clicked, this, handler);
}

// What a screen reader says where a caption does not tell: the boxes and
// their selectors by row, the readings and lamps by channel, the pictures by
// what they show. Nothing visible changes.
void QV7310::createAccessibleTexts() {
    Label1[ControlPageWord]->setAccessibleName(QStringLiteral("Last serial word"));
}

void QV7310::connectMenus() {
    connect(mnuReload, &QAction::triggered, this, &QV7310::mnuReload_Click);
    connect(mnuExit, &QAction::triggered, this, &QV7310::mnuExit_Click);
    connect(cmdDACoff, &QAction::triggered, this, &QV7310::cmdDACoff_Click);
    connect(mnuDontRESET, &QAction::triggered, this, &QV7310::mnuDontRESET_Click);
    connect(mnuAbout, &QAction::triggered, this, &QV7310::mnuAbout_Click);
}

void QV7310::connectControls() {
    connectArray(this, optPD1, &QV7310::optPD1_Click);
}

// The page behind, in the order the window would have created it with the
// rest: its controls, bindings, pictures, texts, then the Tab order and the
// handlers; then what the panel has shown since start-up that the page
// shows too.
void QV7310::createDataPage() {
    dataPageCreated_ = true;
    if (beforeInput_) {
        qApp->removeEventFilter(beforeInput_);
        beforeInput_->deleteLater();
        beforeInput_ = nullptr;
    }
    QWidget* page = SSTab1->page(0);
    Containers containers;
    containers.skip(QString());
    containers.skip(SSTab1->page(1)->objectName());
    containers.add(page->objectName(), page);
    createControls(containers);
    bindDataPage(ControlIndex(*page));
    createDataPagePictures();
    Label2[DataPageWord]->adjustSize();
    for (QPushButton* button : cmdWrite)
        button->setAutoDefault(false);
    createDataPageTexts();
    setTabOrder();
    connectDataPage();
    entryGuard_ = std::make_unique<EntryGuard>(
        txtInput, [this](int i) { txtInput_KeyPress(i, KeyAsciiEnter); },
        [this](int i) { txtInput_LostFocus(i); });
    // A channel's write button tells whether the channel is powered up.
    showChannelPower();
    if (!Label1[ControlPageWord]->text().isEmpty())
        showSerialWord(Label1[ControlPageWord]->text());
    showPartOnDataPage();
}

void QV7310::bindDataPage(const ControlIndex& controls) {
    bindArray(controls, txtInput, "txtInput");
    bindArray(controls, InputSel, "InputSel");
    bindArray(controls, cmdWrite, "cmdWrite");
    bindArray(controls, HVLED, "HVLED");
    bindArray(controls, lblVoltage, "lblVoltage");
    Picture1 = bound<PictureBox>(controls, "Picture1");
    Picture1->installEventFilter(this);
    bindArray(controls, cmdLDAC, "cmdLDAC");
    bindArray(controls, cmdCLR, "cmdCLR");
    bindArray(controls, optRANGE, "optRANGE");
    Label1[DataPageWord] = bound<QLabel>(controls, "Label1(1)");
    Label2[DataPageWord] = bound<QLabel>(controls, "Label2(1)");
    bindArray(controls, Line2, "Line2");
    Line1 = bound<LineControl>(controls, "Line1");
}

void QV7310::createDataPagePictures() {
    // The caution label with a two-pixel border around it.
    Picture1->setPixmap(Artwork::Caution());
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->resize(Picture1->pixmap().deviceIndependentSize().toSize() + QSize(4, 4));
    for (PictureBox* lamp : HVLED) {
        lamp->setPixmap(Artwork::Lamp());
        lamp->resize(lamp->pixmap().deviceIndependentSize().toSize());
    }
}

void QV7310::createDataPageTexts() {
    for (std::size_t i = 0; i < InputRows; ++i) {
        txtInput[i]->setAccessibleName(QStringLiteral("Input code %1").arg(i + 1));
        InputSel[i]->setAccessibleName(QStringLiteral("Use input code %1").arg(i + 1));
    }
    for (std::size_t i = 0; i < Channels; ++i) {
        lblVoltage[i]->setAccessibleDescription(QStringLiteral("DAC%1 output voltage").arg(i + 1));
        HVLED[i]->setAccessibleDescription(QStringLiteral("DAC%1 at high voltage").arg(i + 1));
    }
    Picture1->setAccessibleName(QStringLiteral("Caution: risk of electric shock"));
    Label1[DataPageWord]->setAccessibleName(QStringLiteral("Last serial word"));
}

void QV7310::connectDataPage() {
    connectArray(this, cmdWrite, &QV7310::cmdWrite_Click);
    connectArray(this, cmdCLR, &QV7310::cmdCLR_Click);
    connectArray(this, cmdLDAC, &QV7310::cmdLDAC_Click);
    connectArray(this, optRANGE, &QV7310::optRANGE_Click);
}

void QV7310::setTabOrder() {
    // Sheet tabs; page 0: rows 9 up to 0 (option button, then box), write
    // buttons bottom up, LDAC bottom up, range, CLR top down; page 1: the
    // channel frames bottom up, then the power-down mode.
    std::vector<QWidget*> order{SSTab1->tabBar()};
    for (std::size_t i = InputRows; i-- > 0;) {
        order.push_back(InputSel[i]);
        order.push_back(txtInput[i]);
    }
    for (std::size_t i = WriteButtons; i-- > 0;)
        order.push_back(cmdWrite[i]);
    order.insert(order.end(), {cmdLDAC[2], cmdLDAC[1], cmdLDAC[0], optRANGE[0], optRANGE[1],
                               cmdCLR[0], cmdCLR[1], cmdCLR[2]});
    for (int button : {9, 8, 7, 6, 5, 4, 2, 3, 0, 1, 12, 13, 10, 11})
        order.push_back(optPD1[button]);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
