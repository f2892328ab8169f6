// "History..." in the View menu: the window of every board request, built the
// first time it is asked for, so the panel's start-up pays nothing for it.
#include "QV7310.h"

#include "frmHistory.h"
#include "model/PanelModel.h"

void QV7310::mnuHistory_Click() {
    if (!history_)
        history_ = new frmHistory(model_.history(), this);
    history_->show();
    history_->raise();
    history_->activateWindow();
}
