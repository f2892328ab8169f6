#include "StatusLine.h"

#include "BoardStatus.h"
#include "PanelModel.h"

#include <QTime>

StatusLine::StatusLine(const PanelModel& model, QWidget* parent) : QLabel(parent), model_(model) {
    setObjectName(QStringLiteral("statusLine"));
    setAccessibleName(QStringLiteral("Status"));
    setContentsMargins(6, 0, 6, 0);
    connect(&model, &PanelModel::changed, this, &StatusLine::follow);
    connect(&model.board(), &BoardStatus::changed, this, &StatusLine::follow);
    connect(&model, &PanelModel::reloaded, this, [this] {
        reloaded_ = QStringLiteral("Board reloaded ") +
                    QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        follow();
    });
    follow();
}

void StatusLine::follow() {
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
    if (text != this->text())
        setText(text);
}
