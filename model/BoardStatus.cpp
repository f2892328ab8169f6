#include "BoardStatus.h"

#include "board/USBStuff.h"

BoardStatus::BoardStatus(BoardLink& link, QObject* parent) : QObject(parent), link_(link) {
    connect(&link, &BoardLink::callReturned, this, &BoardStatus::record);
}

QString BoardStatus::text() const {
    const QString& path = link_.pathDescription();
    return path.isEmpty() ? stateText() : stateText() + QStringLiteral("; ") + path;
}

QString BoardStatus::stateText() const {
    switch (state_) {
    case State::Ready:
        return QStringLiteral("Board: ready");
    case State::NotFound:
        return QStringLiteral("Board: not found (status %1)").arg(status_);
    case State::LibraryMissing:
        return QStringLiteral("Board: library missing");
    case State::NotResponding:
        if (status_ == USBStuff::BridgeTimedOutStatus)
            return NoAnswerText(noAnswerSeconds_);
        return QStringLiteral("Board: not responding (status %1)").arg(status_);
    case State::BridgeEnded:
        return QStringLiteral("Board: bridge ended");
    case State::BridgeNotStarted:
        return QStringLiteral("Board: bridge did not start");
    case State::Unknown:
        break;
    }
    return QStringLiteral("Board: not started");
}

QString BoardStatus::NoAnswerText(double seconds) {
    return QStringLiteral("Board: not responding (no answer in %1 s)").arg(seconds);
}

void BoardStatus::record(std::int16_t request, std::int16_t status) {
    lastCallStatus_ = status;
    // A hung bridge was ended; what comes after it is refused unsent, and
    // the person is told of the call that hung.
    if (status == USBStuff::BridgeTimedOutStatus) {
        starting_ = false;
        if (request != USBStuff::DownloadCall)
            emit requestFailed(request, status);
        if (state_ != State::NotResponding || status_ != status)
            noAnswerSeconds_ = link_.deadlineSeconds(request);
        set(State::NotResponding, status);
        return;
    }
    // Whatever the call, a bridge that is gone is what the person must know.
    if (status == USBStuff::BridgeEndedStatus || status == USBStuff::BridgeNotStartedStatus) {
        starting_ = false;
        if (request != USBStuff::DownloadCall)
            emit requestFailed(request, status);
        set(status == USBStuff::BridgeEndedStatus ? State::BridgeEnded : State::BridgeNotStarted,
            status);
        return;
    }
    if (request == USBStuff::DownloadCall) {
        starting_ = status >= 0;
        if (status == USBStuff::LibraryMissingStatus)
            set(State::LibraryMissing, status);
        else if (status < 0)
            set(State::NotFound, status);
        return;
    }
    if (status < 0)
        emit requestFailed(request, status);
    if (starting_ && request == USBStuff::BoardRequest::Start) {
        starting_ = false;
        set(status < 0 ? State::NotResponding : State::Ready, status < 0 ? status : 0);
        return;
    }
    // A board that was never found fails every request; that is no news. A
    // ready board that fails stays marked until the next good start.
    if (status < 0 && (state_ == State::Ready || state_ == State::NotResponding))
        set(State::NotResponding, status);
}

void BoardStatus::set(State state, std::int16_t status) {
    if (state == state_ && status == status_)
        return;
    state_ = state;
    status_ = status;
    emit changed();
}
