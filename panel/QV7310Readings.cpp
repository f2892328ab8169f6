// What each reading says besides its number: a powered-down channel's reading
// is drawn disabled, CLR held low and a code waiting for LDAC are told, to
// sight and to screen readers. The numbers themselves stay as they are.
#include "QV7310.h"

#include "Controls.h"
#include "Declare.h"
#include "QV7310Variables.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

using namespace QV7310Variables;

void QV7310::showReadingStates() {
    if (!dataPageCreated_ || !partChosen_)
        return;
    for (int k = 0; k < int(ControlArrays::Channels); ++k) {
        if (!partIsQuad && k != ControlArrays::SinglePartSlot)
            continue;
        const int channel = partIsQuad ? k + 1 : 1;
        const QString dac =
            partIsQuad ? QStringLiteral("DAC%1").arg(channel) : QStringLiteral("DAC");
        const bool waiting = dacCode[k] != outputCode[k];
        QStringList notes;
        if (!channelPowered(channel))
            notes << QStringLiteral("powered down");
        if (clrIsLow)
            notes << QStringLiteral("held at 0 V by CLR");
        const QString code = Declare::SerialWordEcho(dacCode[k]);
        if (waiting)
            notes << QStringLiteral("code %1 waits for %2")
                         .arg(code, clrIsLow ? QStringLiteral("CLR high and LDAC")
                                             : QStringLiteral("LDAC"));
        QLabel* reading = lblVoltage[std::size_t(k)];
        reading->setEnabled(channelPowered(channel));
        reading->setAccessibleDescription(
            dac + QStringLiteral(" output voltage") +
            (notes.isEmpty() ? QString()
                             : QStringLiteral(", ") + notes.join(QStringLiteral(", "))));
        reading->setToolTip(notes.join(QStringLiteral("; ")));
        // A code still waiting shows as a slanted reading.
        QFont font = reading->font();
        font.setItalic(waiting);
        reading->setFont(font);
        QPushButton* write = cmdWrite[std::size_t(k)];
        write->setAccessibleDescription(
            waiting ? write->toolTip() + QStringLiteral("; code %1 waits for LDAC").arg(code)
                    : QString());
    }
}
