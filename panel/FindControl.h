// Finding a built control by its objectName, as the handlers' bindings,
// tests and tools do.
#ifndef FINDCONTROL_H
#define FINDCONTROL_H

#include <QObject>
#include <QString>
#include <QtGlobal>

// The control of type T under `form` named `name` ("cmdWrite(2)"). A missing
// one is a programming error: the run ends with its name.
template <typename T> T* FindControl(const QObject& form, const QString& name) {
    T* control = form.findChild<T*>(name);
    if (!control)
        qFatal("the form has no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return control;
}

#endif
