#include "StatusLine.h"

#include "board/BoardLink.h"
#include "model/BoardStatus.h"
#include "model/Converter.h"
#include "model/PanelModel.h"

#include <QAccessible>
#include <QDateTime>
#include <QEvent>
#include <QLabel>
#include <QTime>
#include <algorithm>
#include <vector>

namespace {

// "High voltage: DAC3 59.99 V, DAC1 51.27 V": every output at the caution
// threshold or above, the highest first; empty when there is none.
QString highVoltageText(const PanelModel& model) {
    std::vector<std::pair<std::int32_t, int>> high; // code, channel
    for (int channel = 1; channel <= model.channels(); ++channel) {
        const int slot = model.slot(channel);
        if (model.lampLit(slot))
            high.emplace_back(model.outputCode(slot), channel);
    }
    if (high.empty())
        return QString();
    std::stable_sort(high.begin(), high.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList parts;
    for (const auto& [code, channel] : high)
        parts << QStringLiteral("DAC%1 %2 V")
                     .arg(channel)
                     .arg(Converter::VoltsForCode(code, model.range()), 0, 'f', 2);
    return QStringLiteral("High voltage: ") + parts.join(QStringLiteral(", "));
}

} // namespace

StatusLine::StatusLine(const PanelModel& model, QWidget* parent)
    : QStatusBar(parent), model_(model) {
    setObjectName(QStringLiteral("statusLine"));
    setAccessibleName(QStringLiteral("Status"));
    setSizeGripEnabled(false);
    connect(&model, &PanelModel::changed, this, &StatusLine::follow);
    connect(&model.board(), &BoardStatus::changed, this, &StatusLine::follow);
    connect(&model, &PanelModel::reloaded, this, [this] {
        reloaded_ = QStringLiteral("Board reloaded ") +
                    QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        follow();
    });
    // A journal's trouble shows from the call whose record missed it.
    connect(&model.link(), &BoardLink::callReturned, this, [this] {
        if (model_.history().journalFailedSince() != journalShown_)
            follow();
    });
}

bool StatusLine::event(QEvent* event) {
    if (event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        QMetaObject::invokeMethod(this, &StatusLine::follow, Qt::QueuedConnection);
    }
    return QStatusBar::event(event);
}

void StatusLine::follow() {
    if (!painted_)
        return;
    QStringList parts;
    parts << model_.board().text()
          << (model_.ldacIsHigh() ? QStringLiteral("LDAC high") : QStringLiteral("LDAC low"))
          << (model_.clrIsLow() ? QStringLiteral("CLR low") : QStringLiteral("CLR high"))
          << QStringLiteral("Range %1 V").arg(model_.range());
    if (model_.remoteClients() >= 0)
        parts << QStringLiteral("remote: %1 %2")
                     .arg(model_.remoteClients())
                     .arg(model_.remoteClients() == 1 ? QStringLiteral("client")
                                                      : QStringLiteral("clients"));
    if (!reloaded_.isEmpty())
        parts << reloaded_;
    const RequestHistory& history = model_.history();
    journalShown_ = history.journalFailedSince();
    if (journalShown_ != 0)
        parts << QStringLiteral("Journal: not written since %1 (%2)")
                     .arg(QDateTime::fromMSecsSinceEpoch(journalShown_)
                              .toString(QStringLiteral("HH:mm:ss")),
                          history.journalFailure());
    showHighVoltage();
    const QString text = parts.join(QStringLiteral("   \u00b7   "));
    if (text == currentMessage())
        return;
    showMessage(text);
    // Read by screen readers, which do not read the bar's message.
    setAccessibleDescription(text);
}

void StatusLine::showHighVoltage() {
    const QString text = highVoltageText(model_);
    if (text.isEmpty() && !highVoltage_)
        return;
    if (!highVoltage_) {
        // Made when first needed: a panel that never reaches 50 V draws the
        // bar as it always has.
        highVoltage_ = new QLabel(this);
        highVoltage_->setObjectName(QStringLiteral("highVoltage"));
        highVoltage_->setAutoFillBackground(true);
        highVoltage_->setContentsMargins(4, 0, 4, 0);
        // The caution label's colours, whatever the theme.
        QPalette colours = highVoltage_->palette();
        colours.setColor(QPalette::Window, QColor(0xFF, 0xD4, 0x00));
        colours.setColor(QPalette::WindowText, Qt::black);
        highVoltage_->setPalette(colours);
        highVoltage_->hide();
        addPermanentWidget(highVoltage_);
    }
    if (highVoltage_->text() != text) {
        highVoltage_->setText(text);
        highVoltage_->setAccessibleName(text);
    }
    if (text.isEmpty() == highVoltage_->isHidden())
        return;
    highVoltage_->setVisible(!text.isEmpty());
    // Its showing is told as an alert, as the caution label's is.
    if (!text.isEmpty()) {
        QAccessibleEvent alert(highVoltage_, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}
