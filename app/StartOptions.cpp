// What the options do once the panel's objects exist.
#include "StartOptions.h"

#include "model/PanelModel.h"
#include "model/Session.h"
#include "remote/RemoteServer.h"

#include <QDialog>
#include <QMessageBox>
#include <cstdio>

namespace {

QString endpoint(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

} // namespace

StartupAnswers::StartupAnswers(const CommandLine& options) {
    if (!options.remote)
        return;
    installed_ = true;
    previous_ = DialogSeam::setHandler([this](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            Say(QStringLiteral("%1 [%2]").arg(box->text(), box->windowTitle()));
            return int(QDialog::Accepted);
        }
        return previous_ ? previous_(dialog) : dialog.exec();
    });
}

StartupAnswers::~StartupAnswers() {
    if (installed_)
        DialogSeam::setHandler(std::move(previous_));
}

std::unique_ptr<RemoteServer> StartRemote(const CommandLine& options, Session& session) {
    const QString where = endpoint(options.address, options.port);
    if (!options.address.isLoopback())
        Say(QStringLiteral("warning: remote control on %1 can be reached from other machines "
                           "and asks for no authentication")
                .arg(where));
    PanelModel& model = session.model();
    auto server = std::make_unique<RemoteServer>(model, session);
    server->setIdleSeconds(options.idleSeconds);
    if (!server->listen(options.address, options.port)) {
        Say(QStringLiteral("remote control not started: cannot listen on %1: %2")
                .arg(where, server->errorString()));
        return nullptr;
    }
    // Clients wait until the panel has started.
    server->hold(true);
    model.setRemoteClients(0);
    QObject::connect(server.get(), &RemoteServer::clientsChanged, &model,
                     &PanelModel::setRemoteClients);
    // Scripts read the port from here, --remote-port 0 included.
    std::printf("qv7310: remote control on %s\n",
                qPrintable(endpoint(options.address, server->port())));
    std::fflush(stdout);
    return server;
}

bool OpenJournal(const CommandLine& options, PanelModel& model) {
    if (options.journal.isEmpty())
        return true;
    QString error;
    if (model.history().openJournal(options.journal, error))
        return true;
    Say(QStringLiteral("--journal %1: cannot open it: %2").arg(options.journal, error));
    return false;
}

void ApplyLimits(const CommandLine& options, PanelModel& model) {
    for (const CommandLine::Limit& limit : options.limits) {
        if (limit.channel > model.channels()) {
            Say(NoChannel(limit.channel));
            continue;
        }
        const int first = limit.channel == 0 ? 1 : limit.channel;
        const int last = limit.channel == 0 ? model.channels() : limit.channel;
        for (int channel = first; channel <= last; ++channel)
            model.setRunLimit(channel, limit.volts);
    }
}
