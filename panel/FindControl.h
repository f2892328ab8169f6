// Finding a built control by its objectName, as the handlers' bindings,
// tests and tools do.
#ifndef FINDCONTROL_H
#define FINDCONTROL_H

#include <QHash>
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

// Every named object under a form, gathered in one pass: binding many
// controls by name then costs one walk of the form, not one walk each.
class ControlIndex {
public:
    explicit ControlIndex(const QObject& form) {
        for (QObject* child : form.findChildren<QObject*>())
            if (!child->objectName().isEmpty() && !byName_.contains(child->objectName()))
                byName_.insert(child->objectName(), child);
    }
    // As FindControl: a missing control ends the run with its name.
    template <typename T> T* find(const QString& name) const {
        T* control = qobject_cast<T*>(byName_.value(name));
        if (!control)
            qFatal("the form has no %s named %s", T::staticMetaObject.className(),
                   qPrintable(name));
        return control;
    }

private:
    QHash<QString, QObject*> byName_;
};

#endif
