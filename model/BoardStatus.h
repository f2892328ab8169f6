// The board's health as the panel last saw it, from the statuses of the
// library calls: shown in the menu bar's corner and reported to remote
// clients, so a failing board is never silent.
#ifndef BOARDSTATUS_H
#define BOARDSTATUS_H

#include <QObject>
#include <QString>
#include <cstdint>

class BoardLink;

class BoardStatus : public QObject {
    Q_OBJECT
public:
    enum class State {
        Unknown,          // no download yet
        Ready,            // firmware downloaded and the board started
        NotFound,         // the download failed
        LibraryMissing,   // the library or one of its functions is missing
        NotResponding,    // a request failed after the board was ready
        BridgeEnded,      // the board bridge process ended under the panel
        BridgeNotStarted, // the board bridge could not be started
    };

    // Watches every call of `link` from now on.
    explicit BoardStatus(BoardLink& link, QObject* parent = nullptr);
    // The link watched: whether it goes through a bridge, and its deadlines.
    const BoardLink& link() const { return link_; }

    State state() const { return state_; }
    // The status behind the state (0 when ready or unknown).
    std::int16_t status() const { return status_; }
    // The status of the last board call, whatever the state.
    std::int16_t lastCallStatus() const { return lastCallStatus_; }
    // "Board: ready", "Board: not found (status -4)", ... and, where the
    // panel chose the way to the library itself, that way
    // ("Board: ready; 32-bit BoardPort.dll through qv7310-board-bridge.exe").
    QString text() const;
    // The state alone, for the menu bar's corner, where the way does not fit.
    QString stateText() const;
    // The text of a board bridge that gave no answer within `seconds`.
    static QString NoAnswerText(double seconds);
    // True when the text should be shown as a fault.
    bool isFault() const {
        return state_ == State::NotResponding || state_ == State::BridgeEnded ||
               state_ == State::BridgeNotStarted;
    }

    // One call as it returned (request, or USBStuff::DownloadCall).
    void record(std::int16_t request, std::int16_t status);

signals:
    void changed();
    // A board request returned a negative status.
    void requestFailed(std::int16_t request, std::int16_t status);

private:
    void set(State state, std::int16_t status);

    const BoardLink& link_;
    State state_ = State::Unknown;
    std::int16_t status_ = 0;
    std::int16_t lastCallStatus_ = 0;
    // A download happened and its start request has not come back yet.
    bool starting_ = false;
    // The deadline the hung call missed.
    double noAnswerSeconds_ = 0;
};

#endif
