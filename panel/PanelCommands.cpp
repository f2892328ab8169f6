// Putting the panel back as after start-up (remote control's reset, a
// reload after a failure), and the caution label's alert.
#include "QV7310.h"

#include "model/PanelModel.h"

void QV7310::ResetPanel() {
    // The model shows its reset state: readings, lamps and caution label
    // cleared, "30V" and the control register's buttons as the form selects
    // them (the board already has the matching state from the safe state).
    model_.reset();
}
