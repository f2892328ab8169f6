// Finding a built control by its objectName, as the handlers' bindings,
// tests and tools do.
#ifndef FINDCONTROL_H
#define FINDCONTROL_H

#include <QHash>
#include <QObject>
#include <QString>
#include <QWidget>
#include <QtGlobal>

// A window that creates some of its controls later than the rest (the page
// behind, once the window is on screen) creates them when asked to.
class DeferredControls {
public:
    // Creates every control still to come; does nothing once they exist.
    virtual void createDeferredControls() = 0;

protected:
    ~DeferredControls() = default;
};

// Has the window holding `object` create the controls it has deferred, so
// that a lookup by name finds every control of the form.
inline void CreateDeferredControls(const QObject& object) {
    for (const QObject* o = &object; o; o = o->parent()) {
        if (auto* deferred = dynamic_cast<const DeferredControls*>(o)) {
            const_cast<DeferredControls*>(deferred)->createDeferredControls();
            return;
        }
        if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow())
            return;
    }
}

// The control of type T under `form` named `name` ("cmdWrite(2)"). A missing
// one is a programming error: the run ends with its name.
template <typename T> T* FindControl(const QObject& form, const QString& name) {
    CreateDeferredControls(form);
    T* control = form.findChild<T*>(name);
    if (!control)
        qFatal("the form has no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return control;
}

// Every named object under a form, gathered in one pass: binding many
// controls by name then costs one walk of the form, not one walk each. It
// takes the form as it stands: the form's own binding, deferred controls
// included, uses it.
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
