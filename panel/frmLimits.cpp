#include "frmLimits.h"

#include "OutputLimits.h"

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
        form->addRow(name + QStringLiteral(" (V):"), field);
        fields_.push_back(field);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void frmLimits::setLimit(int channel, double volts) {
    field(channel)->setText(volts < 0 ? QString() : OutputLimits::Format(volts));
}

double frmLimits::limit(int channel) const {
    const QString text = field(channel)->text().trimmed();
    bool ok = false;
    const double volts = QLocale::c().toDouble(text, &ok);
    return ok && volts >= 0 ? volts : OutputLimits::Off;
}
