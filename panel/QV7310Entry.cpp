// Code entry: Enter in an input box and leaving one check its text; a bad
// entry is refused with a warning and keeps the focus.
#include "QV7310.h"

#include "Controls.h"
#include "DialogSeam.h"
#include "EntryGuard.h"
#include "model/Codes.h"

#include <QLineEdit>

void QV7310::txtInput_KeyPress(int Index, int KeyAscii) {
    createDeferredControls();
    if (KeyAscii != ControlArrays::KeyAsciiEnter)
        return;
    InputSel[Index]->setChecked(true);
    txtInput_LostFocus(Index);
}

void QV7310::txtInput_LostFocus(int Index) {
    createDeferredControls();
    if (entryGuard_->refusing())
        return;
    // A mouse press that was taking the focus elsewhere must not go on to
    // click once the box has refused its entry.
    QWidget* pressTarget = entryGuard_->pressTarget();
    if (!acceptEntry(Index) && pressTarget && pressTarget != txtInput[Index])
        entryGuard_->dropPress(pressTarget);
}

bool QV7310::acceptEntry(int Index) {
    QLineEdit* box = txtInput[Index];
    const Codes::Entry entry = Codes::ReadHexEntry(box->text());
    if (entry.result == Codes::EntryResult::Valid) {
        box->setText(box->text().toUpper());
        return true;
    }
    entryGuard_->refuse([&] {
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
    });
    return false;
}
