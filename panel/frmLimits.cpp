#include "frmLimits.h"

#include "model/OutputLimits.h"

#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

frmLimits::frmLimits(int channels, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLimits"));
    setWindowTitle(QStringLiteral("Limits"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("No output may go above its limit: a write, a range "
                                            "change or an LDAC that would is refused before "
                                            "anything is sent. Leave a field empty for no "
                                            "limit."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    for (int channel = 1; channel <= channels; ++channel) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("txtLimit(%1)").arg(channel));
        auto* volts = new QDoubleValidator(0, OutputLimits::Largest, 4, field);
        volts->setNotation(QDoubleValidator::StandardNotation);
        volts->setLocale(QLocale::c());
        field->setValidator(volts);
        field->setPlaceholderText(QStringLiteral("no limit"));
        const QString name =
            channels == 1 ? QStringLiteral("DAC") : QStringLiteral("DAC%1").arg(channel);
        field->setAccessibleName(name + QStringLiteral(" limit in volts"));
        auto* caption = new QLabel(name + QStringLiteral(" (V):"), this);
        caption->setBuddy(field);
        form->addRow(caption, field);
        fields_.push_back(field);
        captions_.push_back(caption);
        shown_.emplace_back();
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void frmLimits::setLimit(int channel, double volts) {
    field(channel)->setText(volts < 0 ? QString() : OutputLimits::Format(volts));
    shown_[std::size_t(channel - 1)] = field(channel)->text();
}

void frmLimits::markUnreadable(int channel, const QString& kept) {
    QLabel* caption = captions_[std::size_t(channel - 1)];
    caption->setText(caption->text().chopped(1) + QStringLiteral(", unreadable:"));
    const QString why = QStringLiteral("The kept limit \"%1\" could not be read: the output is "
                                       "held at 0 V until its limit is set here.")
                            .arg(kept);
    field(channel)->setToolTip(why);
    field(channel)->setAccessibleDescription(why);
}

bool frmLimits::changed(int channel) const {
    return field(channel)->isModified() ||
           field(channel)->text() != shown_[std::size_t(channel - 1)];
}

double frmLimits::limit(int channel) const {
    const QString text = field(channel)->text().trimmed();
    bool ok = false;
    const double volts = QLocale::c().toDouble(text, &ok);
    return ok && volts >= 0 ? volts : OutputLimits::Off;
}
