// Building and wiring the main window's form: the menus, the client area and
// its tabbed sheet, every control from the form tables, the pictures and the
// handlers' connections of the page in front. The page behind ("Data
// Registers") and the Tab order of both pages have their own file,
// QV7310DataPage.cpp.
#include "QV7310.h"

#include "Artwork.h"
#include "FindControl.h"
#include "FormBuilder.h"
#include "FormLayout.h"
#include "FormPasses.h"
#include "OptionButton.h"
#include "PictureBox.h"
#include "ScreenReader.h"
#include "TabbedSheet.h"
#include "model/Actions.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

using namespace ControlArrays;
using namespace FormLayout;
using namespace FormPasses;

QAction* QV7310::createMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

void QV7310::createMenus() {
    // The menus open with Alt and their underlined letter, or F10.
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuReload = createMenuItem(mnuFile, "mnuReload", QStringLiteral("Reload USB"));
    mnuReload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuExit = createMenuItem(mnuFile, "mnuExit", QStringLiteral("Exit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnuDash = mnuFile->addSeparator();
    mnuDash->setObjectName(QStringLiteral("mnuDash"));
    cmdDACoff = createMenuItem(mnuFile, "cmdDACoff",
                               QStringLiteral("Turn off DACs when program exits (Recommended)"));
    mnuDontRESET =
        createMenuItem(mnuFile, "mnuDontRESET", QStringLiteral("Exit without reseting DACs"));
    for (QAction* item : {cmdDACoff, mnuDontRESET})
        item->setCheckable(true);
    cmdDACoff->setChecked(true);
    // View and Options, beside File and About, are additions outside the
    // form; the history window is built when first opened.
    QMenu* mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuHistory = createMenuItem(mnuView, "mnuHistory", QStringLiteral("History..."));
    QMenu* mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuLimits = createMenuItem(mnuOptions, "mnuLimits", QStringLiteral("Limits..."));
    QMenu* mnuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuLinearity = createMenuItem(mnuTools, "mnuLinearity", QStringLiteral("Linearity..."));
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&About"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = createMenuItem(mnuHelp, "mnuAbout", QStringLiteral("Version"));
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [this, mnuFile] { menuBar()->setActiveAction(mnuFile->menuAction()); });
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
    createDataPageBeforeInput();
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
    SSTab1->addPage(Actions::Text(Actions::Id::ControlRegister))
        ->setObjectName(QStringLiteral("SSTab1.1"));
    SSTab1->setCurrentIndex(1);
}

// The one place the handlers' controls are looked up in the built form; the
// page behind has its own (bindDataPage).
void QV7310::bindControls(const ControlIndex& controls) {
    bindArray(controls, optPD1, "optPD1");
    Frame10 = bound<QGroupBox>(controls, "Frame10");
    // "DAC 5" and "Temperature Shutdown" are never shown: nothing may press them.
    Frame10->setEnabled(false);
    bound<QGroupBox>(controls, "Frame16")->setEnabled(false);
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
    connect(mnuLimits, &QAction::triggered, this, &QV7310::mnuLimits_Click);
    connect(mnuHistory, &QAction::triggered, this, &QV7310::mnuHistory_Click);
}

void QV7310::connectControls() {
    connectArray(this, optPD1, &QV7310::optPD1_Click);
}
