// Every modal dialog and message box of the panel is shown through here, so
// that tests can answer them without a person.
#ifndef DIALOGSEAM_H
#define DIALOGSEAM_H

#include <QMessageBox>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace DialogSeam {

// Runs `dialog` modally and returns its result. The default is
// QDialog::exec(); a test installs its own handler, which may inspect the
// dialog, click its buttons, and return a result.
using Handler = std::function<int(QDialog& dialog)>;
int exec(QDialog& dialog);
// Installs `handler` (an empty one restores the default); returns the old one.
Handler setHandler(Handler handler);

// Once the program is ending no dialog may hold it up: exec() then returns
// QDialog::Rejected at once, without showing the dialog.
void setClosing(bool closing);
bool closing();

// A message box with one OK button, shown through exec().
void message(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

} // namespace DialogSeam

#endif
