// The channels' output limits in the window: refusals, the readings above a
// limit, the "Limits..." dialog and the note after the window's title.
#include "QV7310.h"

#include "DialogSeam.h"
#include "frmLimits.h"
#include "model/OutputLimits.h"
#include "model/PanelModel.h"

#include <QLabel>

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

void QV7310::mnuLimits_Click() {
    const int channels = model_.channels();
    frmLimits dialog(channels, this);
    for (int channel = 1; channel <= channels; ++channel) {
        dialog.setLimit(channel, model_.limit(channel));
        if (const QString kept = model_.limits().unreadable(channel); !kept.isEmpty())
            dialog.markUnreadable(channel, kept);
    }
    if (DialogSeam::exec(dialog) != QDialog::Accepted)
        return;
    for (int channel = 1; channel <= channels; ++channel)
        if (dialog.changed(channel))
            model_.setLimit(channel, dialog.limit(channel));
}
