#include "LinearityWindow.h"

#include "LinearityExport.h"
#include "LinearityPlot.h"
#include "LinearityRun.h"
#include "panel/QV7310.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QSpinBox* spin(int low, int high, const char* name) {
    auto* box = new QSpinBox;
    box->setRange(low, high);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLineEdit* edit(const char* name) {
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

LinearityWindow::LinearityWindow(LinearityRun& run, QWidget* parent)
    : QWidget(parent, Qt::Window), run_(run) {
    setObjectName(QStringLiteral("frmLinearity"));
    setWindowTitle(tr("Linearity"));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(createSettings());
    layout->addWidget(createResults(), 1);
    load();
    connect(&run_, &LinearityRun::stateChanged, this, &LinearityWindow::showState);
    connect(&run_, &LinearityRun::progress, this, &LinearityWindow::showProgress);
    showState();
}

QWidget* LinearityWindow::createSettings() {
    auto* box = new QGroupBox(tr("Run"));
    auto* form = new QFormLayout(box);
    form->addRow(tr("Multimeter address:"), txtDmm_ = edit("txtDmm"));
    txtDmm_->setPlaceholderText(tr("HOST:PORT or /dev/usbtmc0"));
    form->addRow(tr("Set-up commands:"), txtSetup_ = edit("txtSetup"));
    form->addRow(tr("Reading query:"), txtQuery_ = edit("txtQuery"));
    spnTimeout_ = new QDoubleSpinBox;
    spnTimeout_->setObjectName(QStringLiteral("spnTimeout"));
    spnTimeout_->setRange(0.1, 600);
    spnTimeout_->setSuffix(tr(" s"));
    form->addRow(tr("Timeout:"), spnTimeout_);
    form->addRow(tr("Channel:"), spnChannel_ = spin(1, 4, "spnChannel"));
    form->addRow(tr("First code:"), spnFirst_ = spin(0, 4095, "spnFirst"));
    form->addRow(tr("Last code:"), spnLast_ = spin(0, 4095, "spnLast"));
    form->addRow(tr("Step:"), spnStep_ = spin(1, 4095, "spnStep"));
    spnSettle_ = new QDoubleSpinBox;
    spnSettle_->setObjectName(QStringLiteral("spnSettle"));
    spnSettle_->setRange(0, 60000);
    spnSettle_->setDecimals(1);
    spnSettle_->setSuffix(tr(" ms"));
    form->addRow(tr("Settle time:"), spnSettle_);
    form->addRow(tr("Readings per code:"), spnAverage_ = spin(1, 1000, "spnAverage"));
    cmdStart_ = new QPushButton(tr("Start"));
    cmdStart_->setObjectName(QStringLiteral("cmdStart"));
    cmdCancel_ = new QPushButton(tr("Cancel"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStart_);
    buttons->addWidget(cmdCancel_);
    form->addRow(buttons);
    progress_ = new QProgressBar;
    form->addRow(progress_);
    lblProgress_ = new QLabel;
    lblProgress_->setObjectName(QStringLiteral("lblProgress"));
    lblProgress_->setWordWrap(true);
    form->addRow(lblProgress_);
    connect(cmdStart_, &QPushButton::clicked, this, [this] {
        const QString refused = startRun();
        if (!refused.isEmpty())
            lblProgress_->setText(tr("Not started: %1").arg(refused));
    });
    connect(cmdCancel_, &QPushButton::clicked, &run_, &LinearityRun::abort);
    return box;
}

QWidget* LinearityWindow::createResults() {
    auto* results = new QWidget;
    auto* layout = new QVBoxLayout(results);
    tabs_ = new QTabWidget;
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->addWidget(plot_ = new LinearityPlot(LinearityPlot::Kind::Nonlinearity), 1);
    lblSummary_ = new QLabel;
    lblSummary_->setObjectName(QStringLiteral("lblSummary"));
    lblSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSummary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    row->addWidget(lblSummary_);
    tabs_->addTab(page, tr("INL and DNL"));
    tabs_->addTab(readingsPlot_ = new LinearityPlot(LinearityPlot::Kind::Readings), tr("Readings"));
    layout->addWidget(tabs_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (const QString& kind :
         {tr("Export CSV..."), tr("Export JSON..."), tr("Save plot PNG...")}) {
        auto* button = new QPushButton(kind);
        buttons->addWidget(button);
        exports_ << button;
        connect(button, &QPushButton::clicked, this, [this, kind] { exportTo(kind); });
    }
    layout->addLayout(buttons);
    return results;
}

void LinearityWindow::load() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("Linearity"));
    Linearity::Settings& s = run_.settings();
    const auto text = [&settings](const char* key, const std::string& fallback) {
        return settings.value(key, QString::fromStdString(fallback)).toString();
    };
    txtDmm_->setText(text("dmm", s.dmm));
    txtSetup_->setText(text("setup", s.setup));
    txtQuery_->setText(text("query", s.query));
    spnTimeout_->setValue(settings.value("timeout", s.timeoutSeconds).toDouble());
    spnChannel_->setValue(settings.value("channel", s.channel).toInt());
    spnFirst_->setValue(settings.value("first", s.first).toInt());
    spnLast_->setValue(settings.value("last", s.last).toInt());
    spnStep_->setValue(settings.value("step", s.step).toInt());
    spnSettle_->setValue(settings.value("settle", s.settleSeconds).toDouble() * 1000);
    spnAverage_->setValue(settings.value("average", s.average).toInt());
}

void LinearityWindow::save() {
    Linearity::Settings& s = run_.settings();
    s.dmm = txtDmm_->text().trimmed().toStdString();
    s.setup = txtSetup_->text().toStdString();
    s.query = txtQuery_->text().trimmed().toStdString();
    s.timeoutSeconds = spnTimeout_->value();
    s.channel = spnChannel_->value();
    s.first = spnFirst_->value();
    s.last = spnLast_->value();
    s.step = spnStep_->value();
    s.settleSeconds = spnSettle_->value() / 1000;
    s.average = spnAverage_->value();
    QSettings settings;
    settings.beginGroup(QStringLiteral("Linearity"));
    settings.setValue("dmm", txtDmm_->text().trimmed());
    settings.setValue("setup", txtSetup_->text());
    settings.setValue("query", txtQuery_->text().trimmed());
    settings.setValue("timeout", s.timeoutSeconds);
    settings.setValue("channel", s.channel);
    settings.setValue("first", s.first);
    settings.setValue("last", s.last);
    settings.setValue("step", s.step);
    settings.setValue("settle", s.settleSeconds);
    settings.setValue("average", s.average);
}

QString LinearityWindow::startRun() {
    save();
    return QString::fromStdString(run_.start());
}

void LinearityWindow::showState() {
    const bool running = run_.running();
    cmdStart_->setEnabled(!running);
    cmdCancel_->setEnabled(running);
    for (QPushButton* button : exports_)
        button->setEnabled(!running && run_.figures().valid);
    if (running)
        return;
    static const char* const Ended[] = {"", "", "Done", "Cancelled", "Failed"};
    const int state = int(run_.state());
    if (state >= int(Linearity::State::Done))
        lblProgress_->setText(run_.reason().isEmpty()
                                  ? tr("Done: %1 points.").arg(run_.pointsDone())
                                  : tr("%1: %2.").arg(tr(Ended[state]), run_.reason()));
    lblSummary_->setText(LinearityExport::Summary(run_));
    plot_->show(run_);
    readingsPlot_->show(run_);
}

void LinearityWindow::showProgress(int done, int total) {
    progress_->setRange(0, total);
    progress_->setValue(done);
    const double left = run_.secondsLeft();
    lblProgress_->setText(
        left < 0 ? tr("%1 of %2 points").arg(done).arg(total)
                 : tr("%1 of %2 points, about %3 s left").arg(done).arg(total).arg(qRound(left)));
}

void LinearityWindow::exportTo(const QString& kind) {
    const int which = int(exports_.indexOf(qobject_cast<QPushButton*>(sender())));
    static const char* const Filters[] = {"CSV (*.csv)", "JSON (*.json)", "PNG (*.png)"};
    const QString path = QFileDialog::getSaveFileName(this, kind, QString(), tr(Filters[which]));
    if (path.isEmpty())
        return;
    QString error;
    const bool written = which == 0   ? LinearityExport::WriteCsv(run_, path, error)
                         : which == 1 ? LinearityExport::WriteJson(run_, path, error)
                                      : LinearityExport::WritePng(*plot_, path, error);
    if (!written)
        QMessageBox::warning(this, kind, tr("%1: %2").arg(path, error));
}

void LinearityWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && run_.running()) {
        run_.abort();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AttachLinearity(QV7310& window, LinearityRun& run) {
    QObject::connect(window.linearityAction(), &QAction::triggered, &window, [&window, &run] {
        auto* shown = window.findChild<LinearityWindow*>(QStringLiteral("frmLinearity"));
        if (!shown)
            shown = new LinearityWindow(run, &window);
        shown->show();
        shown->raise();
        shown->activateWindow();
    });
    QObject::connect(&run, &LinearityRun::stateChanged, &window,
                     [&window, &run] { window.setOutputControlsEnabled(!run.running()); });
}
