// The link to a SCPI multimeter: a raw socket "HOST:PORT" (LXI, port 5025
// when left out) or, on Linux, a USBTMC device file ("/dev/usbtmc0"). Every
// reply is one line; one that does not come within the timeout, or a link
// that closes, fails the exchange with the reason in words.
#ifndef DMMLINK_H
#define DMMLINK_H

#include "platform/InstrumentDevice.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

class DmmLink : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 5025;
    static constexpr int DefaultTimeoutMs = 5000;

    struct Address {
        bool valid = false;
        bool device = false; // a device file, at `path`
        QString host;
        quint16 port = DefaultPort;
        QString path;
    };
    static Address ParseAddress(const QString& text);

    explicit DmmLink(QObject* parent = nullptr);
    ~DmmLink() override;

    void setTimeout(int ms) { timeoutMs_ = ms; }
    // Opens the link: `opened` or `failed` follows.
    void open(const QString& address);
    // A command without a reply.
    void send(const QByteArray& command);
    // A query: `replied` with its line (without the line end), or `failed`.
    void query(const QByteArray& command);
    void close();

signals:
    void opened();
    void replied(const QByteArray& line);
    void failed(const QString& reason);

private:
    void fail(const QString& reason);
    void socketReadable();
    void deviceQuery(const QByteArray& command);

    QTcpSocket* socket_ = nullptr;
    Platform::InstrumentDevice device_;
    QString address_;
    QByteArray pending_;
    QByteArray asked_; // the query awaiting its reply, empty when none
    QTimer timeout_;
    int timeoutMs_ = DefaultTimeoutMs;
};

#endif
