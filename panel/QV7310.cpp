// Start-up, exit and the File menu's handlers.
#include "QV7310.h"

#include "BoardStatusLabel.h"
#include "DialogSeam.h"
#include "EntryGuard.h"
#include "FormBuilder.h"
#include "LineControl.h"
#include "OptionButton.h"
#include "PictureBox.h"
#include "StatusLine.h"
#include "TabbedSheet.h"
#include "WindowPlacement.h"
#include "frmPartSelect.h"
#include "model/Actions.h"
#include "model/BoardStatus.h"
#include "model/PanelModel.h"
#include "model/Session.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>

QV7310::QV7310(Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), model_(session.model()) {
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
    BoardStatus* board = boardStatus();

    createMenus();
    // In the menu bar's corner, so the client area keeps its size.
    auto* boardLabel = new BoardStatusLabel(*board, menuBar());
    menuBar()->setCornerWidget(boardLabel);
    // Shown now, while the bar is hidden: shown with the bar, the corner
    // would make the bar lay its titles out once more.
    boardLabel->show();
    // Screen readers do not reach a menu bar's corner: the window's own
    // description carries the board status too.
    connect(board, &BoardStatus::changed, this,
            [this, board] { setAccessibleDescription(board->text()); });
    setAccessibleDescription(board->text());
    createForm();
    // Under the form, outside its client area: the window grows by one line.
    setStatusBar(new StatusLine(model_, this));
    connectMenus();
    connectControls();
    connect(&model_, &PanelModel::changed, this, &QV7310::showModel);
    connect(&session_, &Session::boardMissing, this, &QV7310::boardMissing);
}

QV7310::~QV7310() {
    // No handler may run while the controls are being destroyed.
    entryGuard_.reset();
}

BoardStatus* QV7310::boardStatus() const {
    return &model_.board();
}

void QV7310::Form_Load() {
    session_.begin();
    if (presetPart_)
        session_.setPart(*presetPart_);
    else
        askPart();
    // Told to end while the dialog was open: nothing was set in this run,
    // so nothing is sent.
    if (session_.ended())
        return;
    centreOnScreen();
    session_.open();
    if (!session_.ended())
        showPart();
}

void QV7310::askPart() {
    frmPartSelect dialog(this);
    DialogSeam::exec(dialog);
    if (dialog.part())
        session_.setPart(*dialog.part());
}

void QV7310::showPart() {
    if (model_.partIsQuad()) {
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
    SSTab1->setCurrentIndex(1);
    // The sheet's tabs hold the focus when the window opens.
    SSTab1->tabBar()->setFocus();
}

void QV7310::showPartOnDataPage() {
    if (!partChosen_ || !dataPageCreated_)
        return;
    // The limits' note joins the title once the window has been drawn.
    showLimitsState();
    if (model_.partIsQuad())
        return;
    for (int i : {0, 1, 3, 4})
        cmdWrite[i]->hide();
    for (int i : {0, 1, 3})
        lblVoltage[i]->hide();
    Line1->hide();
    for (int i = 11; i <= 14; ++i)
        Line2[i]->hide();
    constexpr int only = ControlArrays::SinglePartSlot;
    cmdWrite[only]->setText(Actions::Text(Actions::Id::LoadDac));
    // The one channel has no number on the single part (its reading's
    // description comes with the reading's state).
    HVLED[only]->setAccessibleDescription(QStringLiteral("DAC at high voltage"));
    showReadingStates();
}

void QV7310::centreOnScreen() {
    ensurePolished();
    adjustSize();
    WindowPlacement::CentreOnScreen(this);
}

void QV7310::LoadUSB() {
    session_.loadBoard();
}

void QV7310::boardMissing(std::int16_t status) {
    // The status stands in the box's title, as on the panel this one follows.
    DialogSeam::message(this, QMessageBox::Warning, QStringLiteral(": ") + QString::number(status),
                        QStringLiteral("No Evaluation Board Found"));
}

void QV7310::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void QV7310::Form_Unload() {
    session_.end();
}

void QV7310::mnuReload_Click() {
    session_.reload();
}

void QV7310::mnuExit_Click() {
    close();
}

void QV7310::cmdDACoff_Click() {
    cmdDACoff->setChecked(true);
    mnuDontRESET->setChecked(false);
    model_.setResetOnExit(true);
}

void QV7310::mnuDontRESET_Click() {
    mnuDontRESET->setChecked(true);
    cmdDACoff->setChecked(false);
    model_.setResetOnExit(false);
}
