// Creates the widget for one control of a form table.
#ifndef FORMBUILDER_H
#define FORMBUILDER_H

#include "FormLayout.h"

class QFont;
class QWidget;

namespace FormBuilder {

// The form's font is "MS Sans Serif" 8.25 pt. Where that family is not
// installed, an installed face with its metrics stands in (Arial, else
// Liberation Sans). Asks the font database once which family the font will
// use, so the dialog font asks for that family directly and the toolkit runs
// no fallback search; a request for the old name still maps to the same face.
// Call once, after the QApplication exists and before any window is created.
void ResolveDialogFamily();

// The dialog font every control uses unless the form gives another: 8.25 pt
// in the family resolved ("MS Sans Serif" before ResolveDialogFamily).
QFont DialogFont();

// Creates `control` inside `container`, with its objectName, geometry,
// caption, selection and visibility as the form gives them.
QWidget* Build(const FormLayout::Control& control, QWidget* container);

} // namespace FormBuilder

#endif
