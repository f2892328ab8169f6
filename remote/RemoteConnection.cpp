#include "RemoteConnection.h"

#include "model/RequestHistory.h"

#include "platform/Socket.h"

#include <QElapsedTimer>

// The socket is handled here rather than by QTcpSocket, which closes both
// directions as soon as the client closes its sending one: a client that
// sends its commands and half-closes would never see its replies.

RemoteConnection::RemoteConnection(qintptr descriptor, ScpiExecutor& executor, int idleMs,
                                   QObject* parent)
    : QObject(parent), descriptor_(descriptor), executor_(executor),
      reader_(descriptor, QSocketNotifier::Read), writer_(descriptor, QSocketNotifier::Write) {
    Platform::PrepareConnection(descriptor_);
    writer_.setEnabled(false);
    address_ = Platform::PeerAddress(descriptor_);
    origin_ = address_;
    executor_.attach(&session_);
    connect(&reader_, &QSocketNotifier::activated, this, &RemoteConnection::readable);
    connect(&writer_, &QSocketNotifier::activated, this, &RemoteConnection::writable);
    nextTurn_.setSingleShot(true);
    nextTurn_.setInterval(0);
    connect(&nextTurn_, &QTimer::timeout, this, &RemoteConnection::runTurn);
    connect(&executor_, &ScpiExecutor::runEnded, &nextTurn_, qOverload<>(&QTimer::start));
    if (idleMs > 0) {
        idle_.setSingleShot(true);
        idle_.setInterval(idleMs);
        connect(&idle_, &QTimer::timeout, this, [this] {
            if (connected())
                end();
        });
        idle_.start();
    }
}

RemoteConnection::~RemoteConnection() {
    executor_.detach(&session_);
    reader_.setEnabled(false);
    writer_.setEnabled(false);
    if (connected())
        Platform::CloseSocket(descriptor_);
}

void RemoteConnection::readable() {
    // A nested event loop (none is expected) must not run this client's
    // lines out of order; the outer call reads what is left.
    if (reading_ || !connected())
        return;
    reading_ = true;
    if (idle_.interval() > 0)
        idle_.start();
    // One chunk per notification; its lines run in turns.
    char buffer[ReadChunk];
    const std::ptrdiff_t count = Platform::Receive(descriptor_, buffer, sizeof buffer);
    Platform::AcknowledgeAtOnce(descriptor_);
    if (count > 0) {
        for (Scpi::LineFramer::Line& line :
             framer_.feed(std::string_view(buffer, static_cast<std::size_t>(count))))
            waiting_.push_back(std::move(line));
    } else if (count == 0) {
        peerDone_ = true;
        reader_.setEnabled(false);
    } else if (count == Platform::SocketFailed) {
        reading_ = false;
        end();
        return;
    }
    reading_ = false;
    runTurn();
}

void RemoteConnection::runTurn() {
    if (reading_ || !connected())
        return;
    reading_ = true;
    QElapsedTimer clock;
    clock.start();
    for (int lines = 0; (held_ || !waiting_.empty()) && lines < LinesPerTurn &&
                        (lines == 0 || clock.nsecsElapsed() < TurnNanoseconds);
         ++lines) {
        if (!held_) {
            const Scpi::LineFramer::Line line = std::move(waiting_.front());
            waiting_.pop_front();
            if (line.tooLong) {
                session_.error(Scpi::Error::TooMuchData);
                continue;
            }
            session_.messageAvailable = !replies_.empty();
            held_ = std::make_unique<ScpiExecutor::Line>(line.text);
        }
        const RequestHistory::Origin from(executor_.history(), origin());
        if (!executor_.run(*held_, session_))
            break; // the rest waits for the linearity run's end
        if (!held_->replies.empty())
            replies_ += held_->replies + '\n';
        held_.reset();
    }
    reading_ = false;
    if (flush() && !held_ && !waiting_.empty())
        nextTurn_.start(); // after the others, through the event loop
}

const QString& RemoteConnection::origin() {
    if (session_.client != named_) {
        named_ = session_.client;
        origin_ = named_.empty() ? address_
                                 : QString::fromStdString(named_) + QStringLiteral(" (") +
                                       address_ + QLatin1Char(')');
    }
    return origin_;
}

void RemoteConnection::writable() {
    flush();
}

bool RemoteConnection::flush() {
    while (!replies_.empty()) {
        const std::ptrdiff_t sent = Platform::Send(descriptor_, replies_.data(), replies_.size());
        if (sent == Platform::SocketFailed) {
            end();
            return false;
        }
        if (sent == Platform::WouldBlock)
            break;
        replies_.erase(0, static_cast<std::size_t>(sent));
    }
    writer_.setEnabled(!replies_.empty());
    if (peerDone_ && replies_.empty() && waiting_.empty() && !held_) {
        // Everything the client sent has run and been answered.
        Platform::ShutdownSend(descriptor_);
        end();
        return false;
    }
    // A client that sends queries but takes no replies is not read on
    // until it takes them, nor one whose lines still wait for their turns.
    reader_.setEnabled(!peerDone_ && replies_.size() < MaxUnreadReplies && waiting_.empty() &&
                       !held_);
    return true;
}

void RemoteConnection::end() {
    reader_.setEnabled(false);
    writer_.setEnabled(false);
    Platform::CloseSocket(descriptor_);
    descriptor_ = Platform::NoSocket;
    deleteLater();
}
