// The channels' output limits in the window: refusals, the readings above a
// limit, the "Limits..." dialog and the note in the menu bar's corner.
#include "QV7310.h"

#include "Codes.h"
#include "Converter.h"
#include "DialogSeam.h"
#include "OutputLimits.h"
#include "QV7310Variables.h"
#include "frmLimits.h"

#include <QLabel>
#include <cstdio>

using namespace QV7310Variables;

bool QV7310::refuseOverLimit(const OutputLimits::Refusal& refusal) {
    if (!refusal.refused)
        return false;
    emit limitRefused(QString::fromStdString(OutputLimits::RemoteDetail(refusal)));
    DialogSeam::message(this, QMessageBox::Warning, QStringLiteral("Output Limit"),
                        OutputLimits::WindowText(refusal));
    return true;
}

void QV7310::showOverLimit() {
    if (!dataPageCreated_)
        return;
    for (int k = 0; k < int(ControlArrays::Channels); ++k) {
        QLabel* reading = lblVoltage[static_cast<std::size_t>(k)];
        // In the caution label's red while an output is above its limit.
        QPalette colours = reading->parentWidget()->palette();
        if (OutputLimits::OverLimit(k, rangeVolts))
            colours.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
        reading->setPalette(colours);
    }
    showReadingStates();
}

void QV7310::showLimitsState() {
    // The part's own title, with a note while any limit is set.
    static const QString note = QStringLiteral(" (limits on)");
    QString title = windowTitle();
    if (title.endsWith(note))
        title.chop(note.size());
    setWindowTitle(OutputLimits::AnySet() ? title + note : title);
}

void QV7310::setLimit(int channel, double volts) {
    OutputLimits::SetLimit(channel, volts);
    const double limit = OutputLimits::Limit(channel);
    const int k = slot(channel);
    if (OutputLimits::OverLimit(k, rangeVolts))
        std::fprintf(
            stderr,
            "DAC%d holds %s, above its new limit of %s V: the output stays, and its "
            "next change must come under the limit\n",
            channel,
            qPrintable(Codes::FormatVolts(Converter::VoltsForCode(outputCode[k], rangeVolts))),
            qPrintable(OutputLimits::Format(limit)));
    showOverLimit();
    showLimitsState();
}

double QV7310::limit(int channel) const {
    return OutputLimits::Limit(channel);
}

void QV7310::mnuLimits_Click() {
    frmLimits dialog(channelCount(), this);
    for (int channel = 1; channel <= channelCount(); ++channel)
        dialog.setLimit(channel, limit(channel));
    if (DialogSeam::exec(dialog) != QDialog::Accepted)
        return;
    for (int channel = 1; channel <= channelCount(); ++channel)
        setLimit(channel, dialog.limit(channel));
}
