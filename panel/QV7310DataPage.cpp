// The page behind ("Data Registers"): created after the first paint, or
// earlier when input, its tab, a screen reader, a lookup or a handler needs
// it; then its Tab order and handlers.
#include "QV7310.h"

#include "Artwork.h"
#include "EntryGuard.h"
#include "FormPasses.h"
#include "ScreenReader.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

using namespace ControlArrays;
using namespace FormLayout;
using namespace FormPasses;

namespace {

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

void QV7310::createDataPageBeforeInput() {
    beforeInput_ = new BeforeInput(this);
}

void QV7310::createDeferredControls() {
    if (dataPageCreated_)
        return;
    createDataPage();
    if (!outputControlsEnabled_)
        setOutputControlsEnabled(false);
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
    // What the model holds since start-up, on this page too.
    showModel();
    showPartOnDataPage();
}

void QV7310::bindDataPage(const ControlIndex& controls) {
    bindArray(controls, txtInput, "txtInput");
    bindArray(controls, InputSel, "InputSel");
    bindArray(controls, cmdWrite, "cmdWrite");
    bindArray(controls, HVLED, "HVLED");
    bindArray(controls, lblVoltage, "lblVoltage");
    Picture1 = bound<PictureBox>(controls, "Picture1");
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
    // As a person reads each page, frame by frame, top to bottom and left to
    // right: the sheet's tabs; page 0: the input rows (box, then its option
    // button), the write buttons, the range, LDAC, CLR; page 1: the channel
    // frames DAC 1 to DAC 4 (and the hidden "DAC 5"), then the power-down
    // mode (and the hidden temperature shutdown).
    std::vector<QWidget*> order{SSTab1->tabBar()};
    for (std::size_t i = 0; i < InputRows; ++i) {
        order.push_back(txtInput[i]);
        order.push_back(InputSel[i]);
    }
    for (std::size_t i = 0; i < WriteButtons; ++i)
        order.push_back(cmdWrite[i]);
    order.insert(order.end(), {optRANGE[0], optRANGE[1], cmdLDAC[0], cmdLDAC[1], cmdLDAC[2],
                               cmdCLR[0], cmdCLR[1], cmdCLR[2]});
    for (int button : {0, 1, 2, 3, 5, 4, 7, 6, 9, 8, 12, 13, 10, 11})
        order.push_back(optPD1[button]);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
