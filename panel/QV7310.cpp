#include "QV7310.h"

#include "Artwork.h"
#include "BoardStatus.h"
#include "Codes.h"
#include "Controls.h"
#include "Declare.h"
#include "DialogSeam.h"
#include "FormBuilder.h"
#include "FormLayout.h"
#include "QV7310Variables.h"
#include "USBStuff.h"
#include "WindowPlacement.h"
#include "created.h"
#include "frmPartSelect.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

using namespace QV7310Variables;
namespace Request = USBStuff::BoardRequest;

namespace {

constexpr std::int32_t HighVoltageCode = 3414; // 50.01 V in the 60 V range

const QString PoweredDown = QStringLiteral("DAC is powered down");
const QString PoweredUp = QStringLiteral("DAC is powered up");

// The channel frames' buttons: which optPD1 index powers each channel down
// or up (the index order inside a pair differs between frames).
struct ChannelButtons {
    int powerDown;
    int powerUp;
};
constexpr ChannelButtons ChannelFrames[4] = {{0, 1}, {2, 3}, {5, 4}, {7, 6}};

// optPD1 buttons that set a control-register bit when selected, in the order
// they are gathered.
struct ControlBit {
    int button;
    std::int32_t bit;
};
constexpr ControlBit ControlBits[] = {{1, 0x04}, {3, 0x08},  {4, 0x10}, {6, 0x20},
                                      {8, 0x40}, {11, 0x02}, {13, 0x80}};

template <typename T, std::size_t N>
void store(std::array<T*, N>& array, int index, QWidget* widget) {
    array[static_cast<std::size_t>(index)] = static_cast<T*>(widget);
}

} // namespace

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

    buildMenus();
    buildForm();
    setTabOrder();
    connectHandlers();

    Declare::SetSerialWordEchoSink([this](const QString& echo) { showSerialWord(echo); });
    qApp->installEventFilter(this);
}

QV7310::~QV7310() {
    qApp->removeEventFilter(this);
    Declare::SetSerialWordEchoSink(nullptr);
}

void QV7310::buildMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuReload = mnuFile->addAction(QStringLiteral("Reload USB"));
    mnuExit = mnuFile->addAction(QStringLiteral("Exit"));
    mnuDash = mnuFile->addSeparator();
    cmdDACoff =
        mnuFile->addAction(QStringLiteral("Turn off DACs when program exits (Recommended)"));
    mnuDontRESET = mnuFile->addAction(QStringLiteral("Exit without reseting DACs"));
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("About"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("Version"));

    mnuReload->setObjectName(QStringLiteral("mnuReload"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuDash->setObjectName(QStringLiteral("mnuDash"));
    cmdDACoff->setObjectName(QStringLiteral("cmdDACoff"));
    mnuDontRESET->setObjectName(QStringLiteral("mnuDontRESET"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    for (QAction* item : {cmdDACoff, mnuDontRESET})
        item->setCheckable(true);
    cmdDACoff->setChecked(true);
}

void QV7310::buildForm() {
    using namespace FormLayout;
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(TwipsSize(ClientWidth, ClientHeight));
    setCentralWidget(client);

    SSTab1 =
        new TabbedSheet(TwipsSize(SheetWidth, SheetHeight), TwipsToPixels(SheetTabHeight), client);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->move(TwipsPoint(SheetLeft, SheetTop));
    QWidget* page0 = SSTab1->addPage(QStringLiteral("Data Registers"));
    QWidget* page1 = SSTab1->addPage(QStringLiteral("Control Register"));
    page0->setObjectName(QStringLiteral("SSTab1.0"));
    page1->setObjectName(QStringLiteral("SSTab1.1"));
    SSTab1->setCurrentIndex(1);

    QHash<QString, QWidget*> containers{
        {QString(), client}, {page0->objectName(), page0}, {page1->objectName(), page1}};

    // Lines first, on their containers, so that controls are drawn over them;
    // a line whose frame does not exist yet waits for it.
    std::vector<const Line*> pendingLines;
    for (const Line& line : MainWindowLines())
        pendingLines.push_back(&line);
    auto placeLines = [&]() {
        for (auto it = pendingLines.begin(); it != pendingLines.end();) {
            const Line& line = **it;
            QWidget* container = containers.value(QString::fromLatin1(line.container));
            if (!container) {
                ++it;
                continue;
            }
            auto* widget = new LineControl(TwipsPoint(line.x1, line.y1),
                                           TwipsPoint(line.x2, line.y2), container);
            widget->setObjectName(ControlName(line.name, line.index));
            if (line.index >= 0)
                Line2[static_cast<std::size_t>(line.index)] = widget;
            else if (qstrcmp(line.name, "Line1") == 0)
                Line1 = widget;
            else
                Line4 = widget;
            it = pendingLines.erase(it);
        }
    };
    placeLines();

    for (const Control& control : MainWindowControls()) {
        QWidget* container = containers.value(QString::fromLatin1(control.container));
        Q_ASSERT(container);
        QWidget* widget = FormBuilder::Build(control, container);
        const QString name = QString::fromLatin1(control.name);
        const int index = control.index;
        if (control.kind == Kind::Frame) {
            containers.insert(name, widget);
            placeLines();
        }
        if (name == QLatin1String("txtInput"))
            store(txtInput, index, widget);
        else if (name == QLatin1String("InputSel"))
            store(InputSel, index, widget);
        else if (name == QLatin1String("cmdWrite"))
            store(cmdWrite, index, widget);
        else if (name == QLatin1String("HVLED"))
            store(HVLED, index, widget);
        else if (name == QLatin1String("lblVoltage"))
            store(lblVoltage, index, widget);
        else if (name == QLatin1String("cmdLDAC"))
            store(cmdLDAC, index, widget);
        else if (name == QLatin1String("cmdCLR"))
            store(cmdCLR, index, widget);
        else if (name == QLatin1String("optRANGE"))
            store(optRANGE, index, widget);
        else if (name == QLatin1String("optPD1"))
            store(optPD1, index, widget);
        else if (name == QLatin1String("Label1"))
            store(Label1, index, widget);
        else if (name == QLatin1String("Label2"))
            store(Label2, index, widget);
    }
    auto frame = [this](const char* name) {
        return findChild<QGroupBox*>(QString::fromLatin1(name));
    };
    auto picture = [this](const char* name) {
        return findChild<PictureBox*>(QString::fromLatin1(name));
    };
    Frame2 = frame("Frame2");
    Frame3 = frame("Frame3");
    Frame8 = frame("Frame8");
    Frame9 = frame("Frame9");
    Frame10 = frame("Frame10");
    Frame11 = frame("Frame11");
    Frame12 = frame("Frame12");
    Frame13 = frame("Frame13");
    Frame14 = frame("Frame14");
    Frame15 = frame("Frame15");
    Frame16 = frame("Frame16");
    Frame17 = frame("Frame17");
    hvLEF = frame("hvLEF");
    fraCLR = frame("fraCLR");
    Picture1 = picture("Picture1");
    Picture2 = picture("Picture2");
    Picture3 = picture("Picture3");
    Picture4 = picture("Picture4");
    Picture5 = picture("Picture5");
    Picture6 = picture("Picture6");
    Picture7 = picture("Picture7");

    Picture6->setPixmap(Artwork::Logo());
    Picture6->resize(Picture6->pixmap().size());
    Picture7->setPixmap(Artwork::Banner());
    Picture7->resize(Picture7->pixmap().size());
    Picture5->setPixmap(Artwork::Slogan()); // clipped to the box
    // The caution label with a two-pixel border around it.
    Picture1->setPixmap(Artwork::Caution());
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->resize(Picture1->pixmap().size() + QSize(4, 4));
    for (PictureBox* lamp : HVLED) {
        lamp->setPixmap(Artwork::Lamp());
        lamp->resize(lamp->pixmap().size());
    }
    for (PictureBox* area : {Picture2, Picture3, Picture4}) {
        QPalette palette = area->palette();
        palette.setColor(QPalette::Window, Qt::white);
        area->setPalette(palette);
        area->setAutoFillBackground(true);
    }
    // "SPI Value" is sized to its text, whatever the font it maps to.
    for (QLabel* label : Label2)
        label->adjustSize();
    for (int k = 0; k < 4; ++k)
        cmdWrite[static_cast<std::size_t>(k)]->setToolTip(PoweredDown);
    for (QPushButton* button : cmdWrite)
        button->setAutoDefault(false);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void QV7310::setTabOrder() {
    // Sheet tabs; page 0: rows 9 up to 0 (option button, then box), write
    // buttons bottom up, LDAC bottom up, range, CLR top down; page 1: the
    // channel frames bottom up, then the power-down mode.
    std::vector<QWidget*> order{SSTab1->tabBar()};
    for (int i = 9; i >= 0; --i) {
        order.push_back(InputSel[static_cast<std::size_t>(i)]);
        order.push_back(txtInput[static_cast<std::size_t>(i)]);
    }
    for (int i = 4; i >= 0; --i)
        order.push_back(cmdWrite[static_cast<std::size_t>(i)]);
    order.insert(order.end(), {cmdLDAC[2], cmdLDAC[1], cmdLDAC[0], optRANGE[0], optRANGE[1],
                               cmdCLR[0], cmdCLR[1], cmdCLR[2]});
    for (int button : {9, 8, 7, 6, 5, 4, 2, 3, 0, 1, 12, 13, 10, 11})
        order.push_back(optPD1[static_cast<std::size_t>(button)]);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void QV7310::connectHandlers() {
    connect(mnuReload, &QAction::triggered, this, &QV7310::mnuReload_Click);
    connect(mnuExit, &QAction::triggered, this, &QV7310::mnuExit_Click);
    connect(cmdDACoff, &QAction::triggered, this, &QV7310::cmdDACoff_Click);
    connect(mnuDontRESET, &QAction::triggered, this, &QV7310::mnuDontRESET_Click);
    connect(mnuAbout, &QAction::triggered, this, &QV7310::mnuAbout_Click);
    for (int i = 0; i < 5; ++i)
        connect(cmdWrite[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { cmdWrite_Click(i); });
    for (int i = 0; i < 3; ++i) {
        connect(cmdCLR[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { cmdCLR_Click(i); });
        connect(cmdLDAC[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { cmdLDAC_Click(i); });
    }
    for (int i = 0; i < 2; ++i)
        connect(optRANGE[static_cast<std::size_t>(i)], &QAbstractButton::clicked, this,
                [this, i] { optRANGE_Click(i); });
    for (int i = 0; i < 14; ++i)
        connect(optPD1[static_cast<std::size_t>(i)], &QAbstractButton::clicked, this,
                [this, i] { optPD1_Click(i); });
    connect(Picture2, &PictureBox::clicked, this, &QV7310::Picture2_Click);
    connect(Picture3, &PictureBox::clicked, this, &QV7310::Picture3_Click);
    connect(Picture4, &PictureBox::clicked, this, &QV7310::Picture4_Click);
}

// ---- Start-up and exit ----------------------------------------------------

void QV7310::Form_Load() {
    ldacIsHigh = true;
    {
        frmPartSelect dialog(this);
        DialogSeam::exec(dialog);
    }
    centreOnScreen();
    resetOnExit = true;
    LoadUSB();
    pendingCode = 0;
    registerAddress = 0;
    for (std::int32_t& code : dacCode)
        code = 0;
    if (partIsQuad) {
        setWindowTitle(QStringLiteral("QV7310 Quad High Voltage DAC"));
    } else {
        for (int i : {0, 1, 3, 4})
            cmdWrite[static_cast<std::size_t>(i)]->hide();
        for (int i : {0, 1, 3})
            lblVoltage[static_cast<std::size_t>(i)]->hide();
        Line1->hide();
        for (int i = 11; i <= 14; ++i)
            Line2[static_cast<std::size_t>(i)]->hide();
        for (QGroupBox* frame : {Frame10, Frame11, Frame12, Frame13})
            frame->hide();
        cmdWrite[2]->setText(QStringLiteral("Load DAC"));
        setWindowTitle(QStringLiteral("QV7301 High Voltage DAC"));
    }
    SSTab1->setCurrentIndex(1);
    // The sheet's tabs hold the focus when the window opens.
    SSTab1->tabBar()->setFocus();
}

void QV7310::centreOnScreen() {
    ensurePolished();
    adjustSize();
    WindowPlacement::CentreOnScreen(this);
}

void QV7310::LoadUSB() {
    // On the board maker's platform the path is "dir\QV7310.hex"; elsewhere
    // the directory separator is '/'.
#if defined(_WIN32)
    const QString separator = QStringLiteral("\\");
    const QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
#else
    const QString separator = QStringLiteral("/");
    const QString dir = QCoreApplication::applicationDirPath();
#endif
    USBStuff::firmwarePath = dir + separator + QStringLiteral("QV7310.hex");
    std::int16_t status;
    if (USBStuff::PathToAnsiBytes(USBStuff::firmwarePath)) {
        status = USBStuff::LoadFirmWare(USBStuff::ansiPath);
    } else {
        // A path the buffer cannot hold is never handed to the library.
        status = USBStuff::RefuseDownload();
    }
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
    if (!resetOnExit)
        return;
    SafeState();
}

void QV7310::mnuReload_Click() {
    LoadUSB();
}

void QV7310::mnuExit_Click() {
    close();
}

void QV7310::cmdDACoff_Click() {
    cmdDACoff->setChecked(true);
    mnuDontRESET->setChecked(false);
    resetOnExit = true;
}

void QV7310::mnuDontRESET_Click() {
    mnuDontRESET->setChecked(true);
    cmdDACoff->setChecked(false);
    resetOnExit = false;
}

void QV7310::showSerialWord(const QString& echo) {
    Label1[0]->setText(echo);
    Label1[1]->setText(echo);
}

// ---- Version box and credits ---------------------------------------------

void QV7310::mnuAbout_Click() {
    DialogSeam::message(
        this, QMessageBox::Information, QStringLiteral("QV7301/QV7310"),
        QStringLiteral("Software Version %1").arg(QStringLiteral(QV_PANEL_VERSION)));
}

void QV7310::Picture2_Click() {
    creditsStep = creditsStep == 0 ? 1 : 0;
}

void QV7310::Picture3_Click() {
    creditsStep = creditsStep == 1 ? 2 : 0;
}

void QV7310::Picture4_Click() {
    if (creditsStep != 2)
        return;
    creditsStep = 0;
    created dialog(this);
    DialogSeam::exec(dialog);
}

// ---- Code entry and writes -----------------------------------------------

bool QV7310::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        // Only the press that was under way when the box refused is dropped.
        const bool drop = droppedPressTarget_ && watched == droppedPressTarget_;
        droppedPressTarget_.clear();
        return drop;
    }
    if (type != QEvent::KeyPress && type != QEvent::FocusOut)
        return false;
    for (int i = 0; i < 10; ++i) {
        if (watched != txtInput[static_cast<std::size_t>(i)])
            continue;
        if (type == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                txtInput_KeyPress(i, 13);
        } else {
            // Another window taking over (a message box, a menu) is not the
            // user leaving the box.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                focusLeftByMouse_ = reason == Qt::MouseFocusReason;
                txtInput_LostFocus(i);
                focusLeftByMouse_ = false;
            }
        }
        return false;
    }
    return false;
}

void QV7310::txtInput_KeyPress(int Index, int KeyAscii) {
    if (KeyAscii != 13)
        return;
    InputSel[static_cast<std::size_t>(Index)]->setChecked(true);
    txtInput_LostFocus(Index);
}

void QV7310::txtInput_LostFocus(int Index) {
    if (validating_)
        return;
    // A mouse press that was taking the focus elsewhere must not go on to
    // click once the box has refused its entry. The focus widget is already
    // the one the press is for.
    QWidget* pressTarget = focusLeftByMouse_ ? QApplication::focusWidget() : nullptr;
    if (!acceptEntry(Index) && pressTarget &&
        pressTarget != txtInput[static_cast<std::size_t>(Index)])
        droppedPressTarget_ = pressTarget;
}

bool QV7310::acceptEntry(int Index) {
    QLineEdit* box = txtInput[static_cast<std::size_t>(Index)];
    const Codes::Entry entry = Codes::ReadHexEntry(box->text());
    if (entry.result == Codes::EntryResult::Valid) {
        box->setText(box->text().toUpper());
        return true;
    }
    validating_ = true;
    if (entry.result == Codes::EntryResult::NotANumber)
        DialogSeam::message(this, QMessageBox::Warning, QStringLiteral("Entry Error"),
                            QStringLiteral("Not a valid number. Please reenter it."));
    else
        DialogSeam::message(this, QMessageBox::Warning, QStringLiteral("Entry Error"),
                            QStringLiteral("The number is too large for a 12-bit code "
                                           "(the largest is FFF). Please enter a new one."));
    box->clear();
    // The box may be on the page behind (its tab was clicked): bring it back.
    if (SSTab1->currentIndex() != 0)
        SSTab1->setCurrentIndex(0);
    box->setFocus(Qt::OtherFocusReason);
    validating_ = false;
    return false;
}

void QV7310::cmdWrite_Click(int Index) {
    for (int i = 0; i < 10; ++i) {
        if (!InputSel[static_cast<std::size_t>(i)]->isChecked())
            continue;
        // A box that cannot be read sends nothing and changes nothing.
        const Codes::Entry entry =
            Codes::ReadHexEntry(txtInput[static_cast<std::size_t>(i)]->text());
        if (entry.result != Codes::EntryResult::Valid) {
            acceptEntry(i);
            return;
        }
        pendingCode = entry.value;
    }
    LoadCode(Index, pendingCode);
}

// ---- Voltages ------------------------------------------------------------

void QV7310::CheckVoltage() {
    float voltsPerCode;
    if (optRANGE[0]->isChecked()) {
        Picture1->hide();
        USBStuff::PlainRequest(Request::WarningOff);
        voltsPerCode = 30.0f / 4096.0f;
        for (PictureBox* lamp : HVLED)
            lamp->hide();
    } else {
        voltsPerCode = 60.0f / 4096.0f;
        bool highVoltage = false;
        for (std::int32_t code : dacCode)
            highVoltage = highVoltage || code >= HighVoltageCode;
        if (highVoltage) {
            Picture1->show();
            USBStuff::PlainRequest(Request::WarningOn);
        } else {
            Picture1->hide();
            USBStuff::PlainRequest(Request::WarningOff);
        }
        for (std::size_t i = 0; i < HVLED.size(); ++i)
            HVLED[i]->setVisible(dacCode[i] >= HighVoltageCode);
    }
    for (std::size_t i = 0; i < lblVoltage.size(); ++i)
        lblVoltage[i]->setText(Codes::FormatVolts(static_cast<double>(dacCode[i]) *
                                                  static_cast<double>(voltsPerCode)));
}

void QV7310::CLRcontrols() {
    for (PictureBox* lamp : HVLED)
        lamp->hide();
    for (QLabel* label : lblVoltage)
        label->setText(QStringLiteral("0.0000V"));
}

// ---- Board control lines -------------------------------------------------

void QV7310::cmdCLR_Click(int Index) {
    switch (Index) {
    case 0:
        USBStuff::PlainRequest(Request::ClrLow);
        USBStuff::PlainRequest(Request::ClrHigh);
        CLRcontrols();
        break;
    case 1:
        USBStuff::PlainRequest(Request::ClrHigh);
        break;
    case 2:
        USBStuff::PlainRequest(Request::ClrLow);
        CLRcontrols();
        break;
    default:
        return;
    }
}

void QV7310::cmdLDAC_Click(int Index) {
    switch (Index) {
    case 0:
        USBStuff::PlainRequest(Request::PulseLdac);
        ldacIsHigh = true;
        break;
    case 1:
        USBStuff::PlainRequest(Request::LdacHigh);
        ldacIsHigh = true;
        break;
    case 2:
        USBStuff::PlainRequest(Request::LdacLow);
        ldacIsHigh = false;
        break;
    default:
        return;
    }
    CheckVoltage();
}

void QV7310::optRANGE_Click(int Index) {
    if (Index == 0)
        USBStuff::PlainRequest(Request::Range30V);
    else if (Index == 1)
        USBStuff::PlainRequest(Request::Range60V);
}

// ---- Control register ----------------------------------------------------

void QV7310::optPD1_Click(int) {
    registerAddress = Declare::RegisterAddress::Control;
    controlBits = 0;
    for (const ControlBit& bit : ControlBits)
        if (optPD1[static_cast<std::size_t>(bit.button)]->isChecked())
            controlBits |= bit.bit;
    Declare::WriteSerialWord(controlBits | registerAddress);
    for (std::size_t k = 0; k < 4; ++k) {
        if (optPD1[static_cast<std::size_t>(ChannelFrames[k].powerDown)]->isChecked())
            cmdWrite[k]->setToolTip(PoweredDown);
        else if (optPD1[static_cast<std::size_t>(ChannelFrames[k].powerUp)]->isChecked())
            cmdWrite[k]->setToolTip(PoweredUp);
    }
}
