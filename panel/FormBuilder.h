// Creates the widget for one control of a form table.
#ifndef FORMBUILDER_H
#define FORMBUILDER_H

#include "FormLayout.h"

class QFont;
class QWidget;

namespace FormBuilder {

// The dialog font every control uses unless the form gives another.
QFont DialogFont();

// Creates `control` inside `container`, with its objectName, geometry,
// caption, selection and visibility as the form gives them.
QWidget* Build(const FormLayout::Control& control, QWidget* container);

} // namespace FormBuilder

#endif
