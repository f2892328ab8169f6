#include "Announcer.h"

#include "model/Converter.h"

#include <QNetworkInterface>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/timeval.h>
#include <avahi-common/watch.h>
#include <cstdio>

// avahi's poll interface on Qt's event loop: a watch is a pair of socket
// notifiers, a timeout a single-shot timer. Avahi may free either from inside
// its own callback, so that case waits for the event loop.
struct AvahiWatch : QObject {
    AvahiWatch(int fd, AvahiWatchEvent wanted, AvahiWatchCallback callback, void* userdata)
        : fd_(fd), callback_(callback), userdata_(userdata), read_(fd, QSocketNotifier::Read, this),
          write_(fd, QSocketNotifier::Write, this) {
        connect(&read_, &QSocketNotifier::activated, this, [this] { fire(AVAHI_WATCH_IN); });
        connect(&write_, &QSocketNotifier::activated, this, [this] { fire(AVAHI_WATCH_OUT); });
        update(wanted);
    }
    void update(AvahiWatchEvent wanted) {
        read_.setEnabled((wanted & AVAHI_WATCH_IN) != 0);
        write_.setEnabled((wanted & AVAHI_WATCH_OUT) != 0);
    }
    void fire(AvahiWatchEvent event) {
        happened_ = event;
        inCallback_ = true;
        callback_(this, fd_, event, userdata_);
        inCallback_ = false;
        happened_ = AvahiWatchEvent(0);
    }
    void release() {
        read_.setEnabled(false);
        write_.setEnabled(false);
        if (inCallback_)
            deleteLater();
        else
            delete this;
    }

    int fd_;
    AvahiWatchCallback callback_;
    void* userdata_;
    QSocketNotifier read_;
    QSocketNotifier write_;
    AvahiWatchEvent happened_ = AvahiWatchEvent(0);
    bool inCallback_ = false;
};

struct AvahiTimeout : QObject {
    AvahiTimeout(const timeval* when, AvahiTimeoutCallback callback, void* userdata)
        : callback_(callback), userdata_(userdata) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] {
            inCallback_ = true;
            callback_(this, userdata_);
            inCallback_ = false;
        });
        update(when);
    }
    // when is an absolute time, or null to disarm.
    void update(const timeval* when) {
        timer_.stop();
        if (!when)
            return;
        const AvahiUsec wait = -avahi_age(when);
        timer_.start(int(std::clamp<AvahiUsec>(wait / 1000, 0, 24 * 3600 * 1000)));
    }
    void release() {
        timer_.stop();
        if (inCallback_)
            deleteLater();
        else
            delete this;
    }

    AvahiTimeoutCallback callback_;
    void* userdata_;
    QTimer timer_;
    bool inCallback_ = false;
};

namespace {

void say(const QString& line) {
    std::fprintf(stderr, "qv7310: %s\n", qPrintable(line));
}

const AvahiPoll qtPoll = {
    nullptr,
    [](const AvahiPoll*, int fd, AvahiWatchEvent event, AvahiWatchCallback callback,
       void* userdata) { return new AvahiWatch(fd, event, callback, userdata); },
    [](AvahiWatch* watch, AvahiWatchEvent event) { watch->update(event); },
    [](AvahiWatch* watch) { return watch->happened_; },
    [](AvahiWatch* watch) { watch->release(); },
    [](const AvahiPoll*, const timeval* when, AvahiTimeoutCallback callback, void* userdata) {
        return new AvahiTimeout(when, callback, userdata);
    },
    [](AvahiTimeout* timeout, const timeval* when) { timeout->update(when); },
    [](AvahiTimeout* timeout) { timeout->release(); },
};

// The announcement goes out where the server can be reached: on the
// interface that holds its address (a loopback address: this machine only),
// or everywhere for a wildcard address.
AvahiIfIndex interfaceOf(const QHostAddress& address) {
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4 ||
        address == QHostAddress::AnyIPv6)
        return AVAHI_IF_UNSPEC;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& candidate : interfaces)
        for (const QNetworkAddressEntry& entry : candidate.addressEntries())
            if (entry.ip().isEqual(address))
                return candidate.index();
    if (address.isLoopback())
        for (const QNetworkInterface& candidate : interfaces)
            if (candidate.flags() & QNetworkInterface::IsLoopBack)
                return candidate.index();
    return AVAHI_IF_UNSPEC;
}

AvahiProtocol protocolOf(const QHostAddress& address) {
    if (address == QHostAddress::Any)
        return AVAHI_PROTO_UNSPEC;
    return address.protocol() == QAbstractSocket::IPv6Protocol ? AVAHI_PROTO_INET6
                                                               : AVAHI_PROTO_INET;
}

} // namespace

struct Announcer::State {
    AvahiIfIndex interface = AVAHI_IF_UNSPEC;
    AvahiProtocol protocol = AVAHI_PROTO_UNSPEC;
    quint16 port = 0;
    QByteArray model;
    QByteArray name;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;

    void publish(AvahiClient* c) {
        if (!group)
            group = avahi_entry_group_new(c, &State::groupChanged, this);
        if (!group) {
            fail(c);
            return;
        }
        if (name.isEmpty())
            name = QByteArray(Converter::Manufacturer) + ' ' + model + " on " +
                   avahi_client_get_host_name(c);
        AvahiStringList* txt = avahi_string_list_new(
            "txtvers=1", (QByteArray("Manufacturer=") + Converter::Manufacturer).constData(),
            ("Model=" + model).constData(), "SerialNumber=0", "FirmwareVersion=" QV_PANEL_VERSION,
            nullptr);
        int error = avahi_entry_group_add_service_strlst(
            group, interface, protocol, AvahiPublishFlags(0), name.constData(), "_scpi-raw._tcp",
            nullptr, nullptr, port, txt);
        avahi_string_list_free(txt);
        if (error == AVAHI_ERR_COLLISION) {
            rename();
            publish(c);
            return;
        }
        if (error >= 0)
            error = avahi_entry_group_commit(group);
        if (error < 0)
            say(QStringLiteral("not announced on the network: %1")
                    .arg(QString::fromUtf8(avahi_strerror(error))));
    }

    void rename() {
        char* other = avahi_alternative_service_name(name.constData());
        name = other;
        avahi_free(other);
    }

    void fail(AvahiClient* c) {
        say(QStringLiteral("not announced on the network: %1")
                .arg(QString::fromUtf8(avahi_strerror(avahi_client_errno(c)))));
    }

    static void clientChanged(AvahiClient* c, AvahiClientState state, void* userdata) {
        auto* self = static_cast<State*>(userdata);
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            self->publish(c);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host name changes: publish again once the daemon runs.
            if (self->group)
                avahi_entry_group_reset(self->group);
            break;
        case AVAHI_CLIENT_FAILURE:
            self->fail(c);
            break;
        case AVAHI_CLIENT_CONNECTING:
            break;
        }
    }

    static void groupChanged(AvahiEntryGroup* g, AvahiEntryGroupState state, void* userdata) {
        auto* self = static_cast<State*>(userdata);
        if (state == AVAHI_ENTRY_GROUP_COLLISION) {
            // Another service on the network has the name: take the next one.
            self->rename();
            avahi_entry_group_reset(g);
            self->publish(avahi_entry_group_get_client(g));
        } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
            self->fail(avahi_entry_group_get_client(g));
        }
    }
};

Announcer::Announcer(const QHostAddress& address, quint16 port, const QString& model)
    : state_(std::make_unique<State>()) {
    state_->interface = interfaceOf(address);
    state_->protocol = protocolOf(address);
    state_->port = port;
    state_->model = model.toUtf8();
    int error = 0;
    state_->client =
        avahi_client_new(&qtPoll, AvahiClientFlags(0), &State::clientChanged, state_.get(), &error);
    if (!state_->client)
        say(QStringLiteral("not announced on the network: %1")
                .arg(QString::fromUtf8(avahi_strerror(error))));
}

Announcer::~Announcer() {
    // Frees the entry group too, which withdraws the announcement.
    if (state_->client)
        avahi_client_free(state_->client);
}
