#include "created.h"

#include "Artwork.h"
#include "FormBuilder.h"
#include "PictureBox.h"
#include "WindowPlacement.h"

#include <QLabel>
#include <QPushButton>

created::created(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("created"));
    setWindowTitle(QString());
    QFont font = FormBuilder::DialogFont();
    font.setBold(true);
    setFont(font);
    resize(FormLayout::TwipsSize(FormLayout::CreditsWidth, FormLayout::CreditsHeight));
    for (const FormLayout::Control& control : FormLayout::CreditsControls())
        FormBuilder::Build(control, this);
    Label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Picture1 = findChild<PictureBox*>(QStringLiteral("Picture1"));
    Picture1->setPixmap(Artwork::Cartoon());
    Command1 = findChild<QPushButton*>(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &created::Command1_Click);
    Command1->setFocus();
    WindowPlacement::CentreOnScreen(this);
}

void created::Command1_Click() {
    accept();
}
