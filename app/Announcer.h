// DNS-SD announcement of the remote-control server (_scpi-raw._tcp), so that
// instrument software finds the panel on the network. It goes through the
// system's avahi daemon, driven from Qt's event loop; without the daemon one
// line on stderr says so and the panel runs on unannounced.
#ifndef ANNOUNCER_H
#define ANNOUNCER_H

#include <QHostAddress>
#include <QString>
#include <memory>

class Announcer {
public:
    // Announces the server listening on address and port; model is the part
    // (QV7301 or QV7310) for the TXT record.
    Announcer(const QHostAddress& address, quint16 port, const QString& model);
    ~Announcer();
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    struct State;

private:
    std::unique_ptr<State> state_;
};

#endif
