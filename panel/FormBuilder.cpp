#include "FormBuilder.h"

#include "BorderedLabel.h"
#include "CommandButton.h"
#include "FrameBox.h"
#include "OptionButton.h"
#include "PictureBox.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

namespace FormBuilder {

namespace {
// The form's family, and the installed faces with its metrics in the order
// they stand in for it.
const QString& FormFamily() {
    static const QString family = QStringLiteral("MS Sans Serif");
    return family;
}
const QStringList& MetricCloseFamilies() {
    static const QStringList families = {QStringLiteral("Arial"),
                                         QStringLiteral("Liberation Sans")};
    return families;
}
QString& DialogFamily() {
    static QString family = FormFamily();
    return family;
}
} // namespace

void ResolveDialogFamily() {
    QFont::insertSubstitutions(FormFamily(), MetricCloseFamilies());
    // The list of installed families comes from the font database that the
    // first caption needs anyway; it is built once.
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : QStringList{FormFamily()} + MetricCloseFamilies()) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            DialogFamily() = family;
            return;
        }
    }
    // None installed: the toolkit's own fallback picks a face.
    DialogFamily() = FormFamily();
}

QFont DialogFont() {
    QFont font(DialogFamily());
    font.setPointSizeF(8.25);
    return font;
}

namespace {
// Frames, buttons and labels sit on the system's button-face colour, even on
// the white window and sheet.
void useButtonFace(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void useWhite(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
// The form's three kinds of label.
QLabel* createLabel(FormLayout::Kind kind, const QString& caption, QWidget* container) {
    using FormLayout::Kind;
    if (kind == Kind::Label) {
        auto* label = new QLabel(caption, container);
        useButtonFace(label);
        return label;
    }
    if (kind == Kind::SerialWordBox) {
        auto* label = new BorderedLabel(caption, 2, container);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        useWhite(label);
        return label;
    }
    auto* label = new BorderedLabel(caption, 0, container);
    label->setAlignment(Qt::AlignCenter);
    QFont font = DialogFont();
    font.setPointSize(12);
    font.setBold(true);
    label->setFont(font);
    useButtonFace(label);
    return label;
}

} // namespace

QWidget* Build(const FormLayout::Control& control, QWidget* container) {
    using FormLayout::Kind;
    const QString caption = QString::fromLatin1(control.caption);
    QWidget* widget = nullptr;
    switch (control.kind) {
    case Kind::Frame:
        widget = new FrameBox(caption, container);
        useButtonFace(widget);
        break;
    case Kind::Label:
    case Kind::SerialWordBox:
    case Kind::VoltageLabel:
        widget = createLabel(control.kind, caption, container);
        break;
    case Kind::CommandButton:
        widget = new CommandButton(caption, container);
        widget->setAutoFillBackground(false);
        break;
    case Kind::OptionButton: {
        auto* button = new OptionButton(caption, container);
        button->setChecked(control.flags & FormLayout::Selected);
        widget = button;
        break;
    }
    case Kind::TextBox: {
        auto* box = new QLineEdit(caption, container);
        // The toolkit would cut a long paste at 32767 characters, silently,
        // and the rest would then read as a valid code. Kept whole, the text
        // is validated as it stands.
        box->setMaxLength(std::numeric_limits<int>::max());
        widget = box;
        break;
    }
    case Kind::PictureBox:
    case Kind::Lamp:
        widget = new PictureBox(container);
        break;
    case Kind::ClickArea:
        widget = new ClickArea(container);
        break;
    }
    widget->setObjectName(FormLayout::ControlName(control.name, control.index));
    widget->setGeometry(
        FormLayout::TwipsRect(control.left, control.top, control.width, control.height));
    if (control.flags & FormLayout::Hidden)
        widget->setVisible(false);
    return widget;
}

} // namespace FormBuilder
