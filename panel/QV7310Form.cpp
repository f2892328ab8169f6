// Building and wiring the main window's form: the menus, the client area and
// its tabbed sheet, every control from the form tables, the pictures, the Tab
// order and the handlers' connections.
#include "QV7310.h"

#include "Artwork.h"
#include "Controls.h"
#include "FindControl.h"
#include "FormBuilder.h"
#include "FormLayout.h"
#include "ScreenReader.h"

#include <QAction>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <utility>
#include <vector>

using namespace ControlArrays;
using namespace FormLayout;

namespace {

// The containers of the form tables by name, and the lines still waiting for
// theirs: a line goes onto its container before the container's controls, so
// that they are drawn over it.
class Containers {
public:
    Containers(QWidget* client, TabbedSheet* sheet) {
        for (const Line& line : MainWindowLines())
            pendingLines_.push_back(&line);
        containers_.insert(QString(), client);
        for (int page = 0; page < sheet->pageCount(); ++page)
            containers_.insert(sheet->page(page)->objectName(), sheet->page(page));
        placeLines();
    }
    QWidget* find(const char* name) const {
        QWidget* container = containers_.value(QString::fromLatin1(name));
        if (!container)
            qFatal("the form has no container %s", name);
        return container;
    }
    void add(const char* name, QWidget* container) {
        containers_.insert(QString::fromLatin1(name), container);
        placeLines();
    }

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
    std::vector<const Line*> pendingLines_;
};

template <typename T> T* bound(const QWidget* form, const char* name) {
    return FindControl<T>(*form, QString::fromLatin1(name));
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

} // namespace

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
    createControls(client);
    bindControls();
    createPictures();
    createButtonsAndLabels();
    createCreditsAreas();
    createAccessibleTexts();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
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

void QV7310::createControls(QWidget* client) {
    Containers containers(client, SSTab1);
    for (const Control& control : MainWindowControls()) {
        QWidget* widget = FormBuilder::Build(control, containers.find(control.container));
        if (control.kind == Kind::Frame)
            containers.add(control.name, widget);
    }
}

// The one place the handlers' controls are looked up in the built form.
void QV7310::bindControls() {
    const ControlIndex controls(*this);
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
    bindArray(controls, optPD1, "optPD1");
    Frame10 = bound<QGroupBox>(controls, "Frame10");
    Frame11 = bound<QGroupBox>(controls, "Frame11");
    Frame12 = bound<QGroupBox>(controls, "Frame12");
    Frame13 = bound<QGroupBox>(controls, "Frame13");
    bindArray(controls, Label1, "Label1");
    bindArray(controls, Label2, "Label2");
    bindArray(controls, Line2, "Line2");
    Line1 = bound<LineControl>(controls, "Line1");
}

void QV7310::createPictures() {
    // The header pictures take their images' sizes; the slogan is clipped to its box.
    for (const auto& [name, image] :
         {std::pair{"Picture6", Artwork::Logo()}, std::pair{"Picture7", Artwork::Banner()}}) {
        PictureBox* picture = bound<PictureBox>(this, name);
        picture->setPixmap(image);
        picture->resize(picture->pixmap().deviceIndependentSize().toSize());
    }
    bound<PictureBox>(this, "Picture5")->setPixmap(Artwork::Slogan());
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

void QV7310::createButtonsAndLabels() {
    // "SPI Value" is sized to its text, whatever the font it maps to.
    for (QLabel* label : Label2)
        label->adjustSize();
    // A channel's write button tells whether the channel is powered up.
    showChannelPower();
    for (QPushButton* button : cmdWrite)
        button->setAutoDefault(false);
}

// Areas that show nothing, over the sheet's corners; clicks on all three, in
// order, open the credits.
void QV7310::createCreditsAreas() {
    const std::pair<const char*, void (QV7310::*)()> areas[] = {
        {"Picture2", &QV7310::Picture2_Click},
        {"Picture3", &QV7310::Picture3_Click},
        {"Picture4", &QV7310::Picture4_Click}};
    for (const auto& [name, handler] : areas)
        connect(bound<ClickArea>(this, name), &PictureBox::clicked, this, handler);
}

// What a screen reader says where a caption does not tell: the boxes and
// their selectors by row, the readings and lamps by channel, the pictures by
// what they show. Nothing visible changes.
void QV7310::createAccessibleTexts() {
    for (std::size_t i = 0; i < InputRows; ++i) {
        txtInput[i]->setAccessibleName(QStringLiteral("Input code %1").arg(i + 1));
        InputSel[i]->setAccessibleName(QStringLiteral("Use input code %1").arg(i + 1));
    }
    for (std::size_t i = 0; i < Channels; ++i) {
        lblVoltage[i]->setAccessibleDescription(QStringLiteral("DAC%1 output voltage").arg(i + 1));
        HVLED[i]->setAccessibleDescription(QStringLiteral("DAC%1 at high voltage").arg(i + 1));
    }
    Picture1->setAccessibleName(QStringLiteral("Caution: risk of electric shock"));
    for (QLabel* box : Label1)
        box->setAccessibleName(QStringLiteral("Last serial word"));
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

void QV7310::connectMenus() {
    connect(mnuReload, &QAction::triggered, this, &QV7310::mnuReload_Click);
    connect(mnuExit, &QAction::triggered, this, &QV7310::mnuExit_Click);
    connect(cmdDACoff, &QAction::triggered, this, &QV7310::cmdDACoff_Click);
    connect(mnuDontRESET, &QAction::triggered, this, &QV7310::mnuDontRESET_Click);
    connect(mnuAbout, &QAction::triggered, this, &QV7310::mnuAbout_Click);
}

void QV7310::connectControls() {
    connectArray(this, cmdWrite, &QV7310::cmdWrite_Click);
    connectArray(this, cmdCLR, &QV7310::cmdCLR_Click);
    connectArray(this, cmdLDAC, &QV7310::cmdLDAC_Click);
    connectArray(this, optRANGE, &QV7310::optRANGE_Click);
    connectArray(this, optPD1, &QV7310::optPD1_Click);
}
