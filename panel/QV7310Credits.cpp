// The version box and the hidden credits: clicks on three corner areas, in
// order, open the credits dialog.
#include "QV7310.h"

#include "DialogSeam.h"
#include "created.h"

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
