#include "DialogSeam.h"

#include <QDialog>
#include <utility>

namespace DialogSeam {

namespace {
Handler& current() {
    static Handler handler;
    return handler;
}
bool programClosing = false;
} // namespace

int exec(QDialog& dialog) {
    if (programClosing)
        return QDialog::Rejected;
    if (current())
        return current()(dialog);
    return dialog.exec();
}

Handler setHandler(Handler handler) {
    Handler old = std::move(current());
    current() = std::move(handler);
    return old;
}

void setClosing(bool closing) {
    programClosing = closing;
}

bool closing() {
    return programClosing;
}

void message(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    exec(box);
}

} // namespace DialogSeam
