// What each reading says besides its number: a powered-down channel's reading
// is drawn disabled, CLR held low and a code waiting for LDAC are told, to
// sight and to screen readers. The numbers themselves stay as they are.
#include "QV7310.h"

#include "Controls.h"
#include "model/PanelModel.h"
#include "protocol/Declare.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

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
