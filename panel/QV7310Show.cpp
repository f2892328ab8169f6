// The model shown: every change the model tells is drawn here, on the page in
// front at once and on the page behind once it exists: the serial word, the
// control register's buttons, the readings, lamps and caution label, what
// each reading says besides its number, and the limits (refusals, readings
// above a limit, the note after the window's title).
#include "QV7310.h"

#include "DialogSeam.h"
#include "OptionButton.h"
#include "PictureBox.h"
#include "TabbedSheet.h"
#include "model/ControlRegister.h"
#include "model/Converter.h"
#include "model/OutputLimits.h"
#include "model/PanelModel.h"
#include "protocol/Declare.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

void QV7310::showModel() {
    showControlRegister();
    showSerialWord();
    if (!dataPageCreated_)
        return;
    showReadings();
    optRANGE[model_.range() == Converter::HighRangeVolts ? 1 : 0]->setChecked(true);
    showChannelPower();
    showOverLimit();
    showReadingStates();
    if (partChosen_)
        showLimitsState();
}

void QV7310::showSerialWord() {
    // The box's accessible name says what it is; the word itself is read as
    // its description.
    const QString echo = model_.serialWordEcho();
    for (QLabel* label : Label1) {
        if (!label || label->text() == echo)
            continue;
        label->setText(echo);
        label->setAccessibleDescription(echo);
    }
}

void QV7310::showReadings() {
    for (std::size_t k = 0; k < ControlArrays::Channels; ++k) {
        lblVoltage[k]->setText(model_.reading(int(k)));
        HVLED[k]->setVisible(model_.lampLit(int(k)));
    }
    if (model_.cautionShown() == Picture1->isHidden()) {
        Picture1->setVisible(model_.cautionShown());
        // Its showing is announced as an alert, as a warning should be.
        if (model_.cautionShown()) {
            QAccessibleEvent alert(Picture1, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
    }
}

void QV7310::showChannelPower() {
    for (std::size_t k = 0; k < ControlArrays::Channels; ++k) {
        const QString tip = model_.slotPowered(int(k)) ? QStringLiteral("DAC is powered up")
                                                       : QStringLiteral("DAC is powered down");
        if (cmdWrite[k]->toolTip() != tip)
            cmdWrite[k]->setToolTip(tip);
    }
}

void QV7310::showControlRegister() {
    const std::int32_t bits = model_.controlBits();
    for (const ControlRegister::Button& button : ControlRegister::Buttons)
        optPD1[std::size_t(ControlRegister::Shown(button, bits))]->setChecked(true);
}

// What each reading says besides its number: a powered-down channel's reading
// is drawn disabled, CLR held low and a code waiting for LDAC are told, to
// sight and to screen readers. The numbers themselves stay as they are.
namespace {

// Remote clients change the model far faster than a screen reader reads: a
// description is told again only when it changes.
void setDescription(QWidget* widget, const QString& description) {
    if (widget->accessibleDescription() != description)
        widget->setAccessibleDescription(description);
}

} // namespace

void QV7310::showReadingStates() {
    if (!dataPageCreated_ || !partChosen_)
        return;
    for (int k = 0; k < int(ControlArrays::Channels); ++k) {
        const bool quad = model_.partIsQuad();
        if (!ChannelSlots::OnPart(quad, k))
            continue;
        const bool waiting = model_.waiting(k);
        const bool powered = model_.slotPowered(k);
        QPushButton* write = cmdWrite[std::size_t(k)];
        const ShownReading now{true,
                               quad,
                               powered,
                               model_.clrIsLow(),
                               waiting,
                               waiting ? model_.dacCode(k) : 0,
                               write->toolTip()};
        if (shownReading_[std::size_t(k)] == now)
            continue;
        shownReading_[std::size_t(k)] = now;
        const QString dac = quad ? QStringLiteral("DAC%1").arg(ChannelSlots::ChannelOf(quad, k))
                                 : QStringLiteral("DAC");
        QStringList notes;
        if (!powered)
            notes << QStringLiteral("powered down");
        if (model_.clrIsLow())
            notes << QStringLiteral("held at 0 V by CLR");
        const QString code = Declare::SerialWordEcho(model_.dacCode(k));
        if (waiting)
            notes << QStringLiteral("code %1 waits for %2")
                         .arg(code, model_.clrIsLow() ? QStringLiteral("CLR high and LDAC")
                                                      : QStringLiteral("LDAC"));
        QLabel* reading = lblVoltage[std::size_t(k)];
        reading->setEnabled(powered);
        setDescription(reading, dac + QStringLiteral(" output voltage") +
                                    (notes.isEmpty() ? QString()
                                                     : QStringLiteral(", ") +
                                                           notes.join(QStringLiteral(", "))));
        const QString tip = notes.join(QStringLiteral("; "));
        if (reading->toolTip() != tip)
            reading->setToolTip(tip);
        // A code still waiting shows as a slanted reading.
        if (reading->font().italic() != waiting) {
            QFont font = reading->font();
            font.setItalic(waiting);
            reading->setFont(font);
        }
        setDescription(write, waiting ? write->toolTip() +
                                            QStringLiteral("; code %1 waits for LDAC").arg(code)
                                      : QString());
    }
}

// The limits: the box of a refusal, the readings above their limits in the
// caution colour, and the note after the window's title.
bool QV7310::showRefusal() {
    const OutputLimits::Refusal& refusal = model_.lastRefusal();
    if (!refusal.refused)
        return false;
    DialogSeam::message(this, QMessageBox::Warning, QStringLiteral("Output Limit"),
                        OutputLimits::WindowText(refusal));
    return true;
}

void QV7310::showOverLimit() {
    if (!dataPageCreated_)
        return;
    for (int k = 0; k < int(ControlArrays::Channels); ++k) {
        const bool over = model_.overLimit(k);
        std::optional<bool>& shown = shownOverLimit_[static_cast<std::size_t>(k)];
        if (shown == over)
            continue;
        shown = over;
        QLabel* reading = lblVoltage[static_cast<std::size_t>(k)];
        // In the caution label's red while an output is above its limit.
        QPalette colours = reading->parentWidget()->palette();
        if (over)
            colours.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
        if (reading->palette().color(QPalette::WindowText) != colours.color(QPalette::WindowText))
            reading->setPalette(colours);
    }
}

void QV7310::showLimitsState() {
    // The part's own title, with a note while any limit is set.
    static const QString note = QStringLiteral(" (limits on)");
    QString title = windowTitle();
    if (title.endsWith(note))
        title.chop(note.size());
    setWindowTitle(model_.limits().anySet() ? title + note : title);
}
