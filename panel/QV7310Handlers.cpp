// The window's handlers: what each control, menu item and key does, turned
// into calls of the panel model (code entry, writes, the lines and the range,
// the control register, the version box and credits, the history and the
// limits). Start-up, exit and the File menu are in QV7310.cpp.
#include "QV7310.h"

#include "DialogSeam.h"
#include "EntryGuard.h"
#include "OptionButton.h"
#include "PictureBox.h"
#include "TabbedSheet.h"
#include "created.h"
#include "frmHistory.h"
#include "frmLimits.h"
#include "model/Codes.h"
#include "model/Converter.h"
#include "model/PanelModel.h"

#include <QLineEdit>

// Code entry: Enter in an input box and leaving one check its text; a bad
// entry is refused with a warning and keeps the focus.
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

// Writes of the selected code to one channel or all.
void QV7310::cmdWrite_Click(int Index) {
    std::int32_t code = model_.pendingCode();
    for (std::size_t i = 0; i < ControlArrays::InputRows; ++i) {
        if (!InputSel[i]->isChecked())
            continue;
        // A box that cannot be read sends nothing and changes nothing.
        const Codes::Entry entry = Codes::ReadHexEntry(txtInput[i]->text());
        if (entry.result != Codes::EntryResult::Valid) {
            acceptEntry(static_cast<int>(i));
            return;
        }
        code = entry.value;
    }
    // The button past the four channels writes to all of them; the single
    // part's one button to its channel.
    model_.setCode(Index == ControlArrays::AllDacs
                       ? PanelModel::AllChannels
                       : ChannelSlots::ChannelOf(model_.partIsQuad(), Index),
                   code);
    showRefusal();
}

// The board's control lines: CLR and LDAC (pulse, high, low) and the range
// line (30 V or 60 V).
void QV7310::cmdCLR_Click(int Index) {
    switch (Index) {
    case ControlArrays::Pulse:
        model_.pulseClr();
        break;
    case ControlArrays::High:
    case ControlArrays::Low:
        model_.setClr(Index == ControlArrays::High);
        break;
    default:
        break;
    }
}

void QV7310::cmdLDAC_Click(int Index) {
    switch (Index) {
    case ControlArrays::Pulse:
        model_.pulseLdac();
        break;
    case ControlArrays::High:
    case ControlArrays::Low:
        model_.setLdac(Index == ControlArrays::High);
        break;
    default:
        return;
    }
    showRefusal();
}

void QV7310::optRANGE_Click(int Index) {
    if (Index != 0 && Index != 1)
        return;
    model_.setRange(Index == 0 ? Converter::LowRangeVolts : Converter::HighRangeVolts);
    // A refusal leaves the range, and the buttons show it again.
    showRefusal();
}

// The control register page: the option button a person selects, composed
// into the word by the model and sent whole on every click.
void QV7310::optPD1_Click(int Index) {
    model_.selectControlButton(Index);
}

// The version box and the hidden credits: clicks on three corner areas, in
// order, open the credits dialog.
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

// "History..." in the View menu: the window of every board request, built the
// first time it is asked for, so the panel's start-up pays nothing for it.
void QV7310::mnuHistory_Click() {
    if (!history_)
        history_ = new frmHistory(model_.history(), this);
    history_->show();
    history_->raise();
    history_->activateWindow();
}

// "Limits..." in the Options menu: the part's limits in a dialog.
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
