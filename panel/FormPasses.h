// What the two passes that build the main window's form share: the
// containers of the form tables, creating their controls, and binding and
// connecting control arrays. Used by QV7310Form.cpp and QV7310DataPage.cpp.
#ifndef FORMPASSES_H
#define FORMPASSES_H

#include "FindControl.h"
#include "FormBuilder.h"
#include "FormLayout.h"
#include "LineControl.h"
#include "OptionButton.h"
#include "PictureBox.h"
#include "QV7310.h"
#include "TabbedSheet.h"

#include <QAbstractButton>
#include <QHash>
#include <QSet>
#include <array>
#include <vector>

namespace FormPasses {

using namespace FormLayout;

// The containers of the form tables by name, and the lines still waiting for
// theirs: a line goes onto its container before the container's controls, so
// that they are drawn over it. The form is created in two passes (the page
// behind comes later): a container of the other pass is skipped, with
// whatever it holds.
class Containers {
public:
    Containers() {
        for (const Line& line : MainWindowLines())
            pendingLines_.push_back(&line);
    }
    // nullptr for a skipped container.
    QWidget* find(const char* name) const {
        const QString key = QString::fromLatin1(name);
        if (skipped_.contains(key))
            return nullptr;
        QWidget* container = containers_.value(key);
        if (!container)
            qFatal("the form has no container %s", name);
        return container;
    }
    void add(const QString& name, QWidget* container) {
        containers_.insert(name, container);
        placeLines();
    }
    void skip(const QString& name) { skipped_.insert(name); }

private:
    void placeLines() {
        for (auto it = pendingLines_.begin(); it != pendingLines_.end();) {
            const Line& line = **it;
            QWidget* container = containers_.value(QString::fromLatin1(line.container));
            if (!container) {
                ++it;
                continue;
            }
            auto* widget = new LineControl(TwipsPoint(line.x1, line.y1),
                                           TwipsPoint(line.x2, line.y2), container);
            widget->setObjectName(ControlName(line.name, line.index));
            it = pendingLines_.erase(it);
        }
    }

    QHash<QString, QWidget*> containers_;
    QSet<QString> skipped_;
    std::vector<const Line*> pendingLines_;
};

// Creates, in the form's order, every control of the containers not skipped.
inline void createControls(Containers& containers) {
    for (const Control& control : MainWindowControls()) {
        const QString name = QString::fromLatin1(control.name);
        QWidget* container = containers.find(control.container);
        if (!container) {
            if (control.kind == Kind::Frame)
                containers.skip(name);
            continue;
        }
        QWidget* widget = FormBuilder::Build(control, container);
        if (control.kind == Kind::Frame)
            containers.add(name, widget);
    }
}

template <typename T> T* bound(const ControlIndex& controls, const char* name) {
    return controls.find<T>(QString::fromLatin1(name));
}

// Every member of a control array, by "name(index)".
template <typename T, std::size_t N>
void bindArray(const ControlIndex& controls, std::array<T*, N>& array, const char* name) {
    for (std::size_t i = 0; i < N; ++i)
        array[i] = controls.find<T>(ControlName(name, static_cast<int>(i)));
}

// Clicks on member i of an array run `handler(i)`.
template <typename Button, std::size_t N>
void connectArray(QV7310* window, const std::array<Button*, N>& buttons,
                  void (QV7310::*handler)(int)) {
    for (int i = 0; i < static_cast<int>(N); ++i)
        QObject::connect(buttons[i], &QAbstractButton::clicked, window,
                         [window, handler, i] { (window->*handler)(i); });
}

// The serial word's box and caption on each page.
constexpr int ControlPageWord = 0;
constexpr int DataPageWord = 1;

} // namespace FormPasses

#endif
