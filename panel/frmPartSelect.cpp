#include "frmPartSelect.h"

#include "FormBuilder.h"
#include "WindowPlacement.h"

#include <QPushButton>

frmPartSelect::frmPartSelect(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmPartSelect"));
    setWindowTitle(QStringLiteral("Select Part"));
    setFont(FormBuilder::DialogFont());
    setFixedSize(FormLayout::TwipsSize(FormLayout::PartSelectWidth, FormLayout::PartSelectHeight));
    for (const FormLayout::Control& control : FormLayout::PartSelectControls()) {
        auto* button = static_cast<QPushButton*>(FormBuilder::Build(control, this));
        button->setAutoDefault(false);
        cmdPartSelect[control.index] = button;
        connect(button, &QPushButton::clicked, this,
                [this, index = control.index] { cmdPartSelect_Click(index); });
    }
    cmdPartSelect[0]->setFocus();
    WindowPlacement::CentreOnScreen(this);
}

void frmPartSelect::cmdPartSelect_Click(int Index) {
    if (Index == 0)
        part_ = false;
    else if (Index == 1)
        part_ = true;
    accept();
}
