// The Tools menu's part in the main window: while a linearity run drives an
// output, the controls that would write, move a line or change the control
// register are disabled, so that nothing else changes an output under it.
#include "QV7310.h"

#include "OptionButton.h"

#include <QLineEdit>
#include <QPushButton>

void QV7310::setOutputControlsEnabled(bool enabled) {
    outputControlsEnabled_ = enabled;
    // The page behind may not exist yet; it takes the state when created.
    const auto apply = [enabled](auto& controls) {
        for (QWidget* control : controls)
            if (control)
                control->setEnabled(enabled);
    };
    apply(txtInput);
    apply(cmdWrite);
    apply(cmdLDAC);
    apply(cmdCLR);
    apply(optRANGE);
    apply(optPD1);
}
