// Start-up, exit and the File menu's handlers.
#include "QV7310.h"

#include "BoardStatus.h"
#include "BoardStatusLabel.h"
#include "Controls.h"
#include "Declare.h"
#include "DialogSeam.h"
#include "EntryGuard.h"
#include "FormBuilder.h"
#include "QV7310Variables.h"
#include "SafeOutputs.h"
#include "USBStuff.h"
#include "WindowPlacement.h"
#include "frmPartSelect.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>

using namespace QV7310Variables;
namespace Request = USBStuff::BoardRequest;

QV7310::QV7310(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("QV7310"));
    setWindowTitle(QStringLiteral("QV7310"));
    // Fixed dialog frame: a title bar and a close box, nothing to resize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(FormBuilder::DialogFont());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    boardStatus_ = new BoardStatus(this);

    createMenus();
    // In the menu bar's corner, so the client area keeps its size.
    menuBar()->setCornerWidget(new BoardStatusLabel(*boardStatus_, menuBar()));
    // Screen readers do not reach a menu bar's corner: the window's own
    // description carries the board status too.
    connect(boardStatus_, &BoardStatus::changed, this,
            [this] { setAccessibleDescription(boardStatus_->text()); });
    setAccessibleDescription(boardStatus_->text());
    createForm();
    connectMenus();
    connectControls();

    connect(&USBStuff::Link(), &BoardLink::serialWordWritten, this,
            [this](std::int32_t word) { showSerialWord(Declare::SerialWordEcho(word)); });
}

QV7310::~QV7310() {
    SafeOutputs::Disarm();
    // No handler may run while the controls are being destroyed.
    entryGuard_.reset();
}

void QV7310::Form_Load() {
    USBStuff::OpenLink();
    ldacIsHigh = true;
    {
        frmPartSelect dialog(this);
        DialogSeam::exec(dialog);
    }
    // Told to end while the dialog was open: nothing was set in this run,
    // so nothing is sent.
    if (unloaded_)
        return;
    centreOnScreen();
    setResetOnExit(true);
    LoadUSB();
    if (unloaded_)
        return;
    SafeOutputs::Arm();
    ClearCodes();
    if (partIsQuad) {
        setWindowTitle(QStringLiteral("QV7310 Quad High Voltage DAC"));
    } else {
        for (QGroupBox* frame : {Frame10, Frame11, Frame12, Frame13}) {
            frame->hide();
            frame->setEnabled(false);
        }
        setWindowTitle(QStringLiteral("QV7301 High Voltage DAC"));
    }
    partChosen_ = true;
    showPartOnDataPage();
    showReadingStates();
    SSTab1->setCurrentIndex(1);
    // The sheet's tabs hold the focus when the window opens.
    SSTab1->tabBar()->setFocus();
}

void QV7310::showPartOnDataPage() {
    if (!partChosen_ || !dataPageCreated_)
        return;
    // The limits' note joins the title once the window has been drawn.
    showLimitsState();
    if (partIsQuad)
        return;
    for (int i : {0, 1, 3, 4})
        cmdWrite[i]->hide();
    for (int i : {0, 1, 3})
        lblVoltage[i]->hide();
    Line1->hide();
    for (int i = 11; i <= 14; ++i)
        Line2[i]->hide();
    constexpr int only = ControlArrays::SinglePartSlot;
    cmdWrite[only]->setText(QStringLiteral("Load DAC"));
    // The one channel has no number on the single part.
    lblVoltage[only]->setAccessibleDescription(QStringLiteral("DAC output voltage"));
    HVLED[only]->setAccessibleDescription(QStringLiteral("DAC at high voltage"));
    showReadingStates();
}

void QV7310::centreOnScreen() {
    ensurePolished();
    adjustSize();
    WindowPlacement::CentreOnScreen(this);
}

void QV7310::LoadUSB() {
    const std::int16_t status = USBStuff::DownloadFirmware();
    // The status stands in the box's title, as on the panel this one follows.
    if (status < 0)
        DialogSeam::message(this, QMessageBox::Warning,
                            QStringLiteral(": ") + QString::number(status),
                            QStringLiteral("No Evaluation Board Found"));
    USBStuff::PlainRequest(Request::Start);
}

void QV7310::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void QV7310::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    SafeOutputs::Disarm();
    if (resetOnExit)
        safeStateFailed_ = !SafeState();
    // Whatever is still on the stack (a box that was open) sends nothing more.
    USBStuff::CloseLink();
}

bool QV7310::SafeState() {
    const bool sent = SafeOutputs::Send();
    ldacIsHigh = true;
    return sent;
}

void QV7310::mnuReload_Click() {
    reload();
}

void QV7310::mnuExit_Click() {
    close();
}

void QV7310::cmdDACoff_Click() {
    cmdDACoff->setChecked(true);
    mnuDontRESET->setChecked(false);
    setResetOnExit(true);
}

void QV7310::mnuDontRESET_Click() {
    mnuDontRESET->setChecked(true);
    cmdDACoff->setChecked(false);
    setResetOnExit(false);
}

void QV7310::setResetOnExit(bool reset) {
    resetOnExit = reset;
    // A board bridge acts on it if the panel dies without its orderly exit.
    USBStuff::SetExitChoice(reset);
}

void QV7310::showSerialWord(const QString& echo) {
    // The box's accessible name says what it is; the word itself is read as
    // its description. The page behind, created later, takes it then.
    for (QLabel* label : Label1) {
        if (!label)
            continue;
        label->setText(echo);
        label->setAccessibleDescription(echo);
    }
}
