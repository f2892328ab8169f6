// The model shown: every change the model tells is drawn here, on the page in
// front at once and on the page behind once it exists.
#include "QV7310.h"

#include "Controls.h"
#include "model/Converter.h"
#include "model/PanelModel.h"

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
