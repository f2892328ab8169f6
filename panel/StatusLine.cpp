#include "StatusLine.h"

#include "model/BoardStatus.h"
#include "model/PanelModel.h"

#include <QEvent>
#include <QTime>

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
    const QString text = parts.join(QStringLiteral("   \u00b7   "));
    if (text == currentMessage())
        return;
    showMessage(text);
    // Read by screen readers, which do not read the bar's message.
    setAccessibleDescription(text);
}
