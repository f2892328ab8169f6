// "History..." in the View menu: the window of every board request, built the
// first time it is asked for, so the panel's start-up pays nothing for it.
#include "QV7310.h"

#include "board/USBStuff.h"
#include "frmHistory.h"

void QV7310::mnuHistory_Click() {
    if (!history_)
        history_ = new frmHistory(USBStuff::History(), this);
    history_->show();
    history_->raise();
    history_->activateWindow();
}
