// What remote control needs of the linearity run: its settings, start and
// abort, its state, progress and results. Plain C++ without Qt, as the remote
// command table is.
#ifndef LINEARITYCONTROL_H
#define LINEARITYCONTROL_H

#include <string>

namespace Linearity {

struct Settings {
    std::string dmm; // "HOST[:PORT]" or a USBTMC device file
    std::string setup = "CONF:VOLT:DC AUTO";
    std::string query = "READ?";
    int channel = 1;
    int first = 0;
    int last = 4095;
    int step = 1;
    double settleSeconds = 0.010;
    int average = 1;
    double timeoutSeconds = 5;
};

enum class State { Idle, Running, Done, Aborted, Failed };

class Control {
public:
    virtual ~Control() = default;
    virtual Settings& settings() = 0;
    // Starts a run; the refusal's reason when it cannot, else empty.
    virtual std::string start() = 0;
    // Ends a run in progress, as Cancel does.
    virtual void abort() = 0;
    // Ends a run at once, leaving the outputs to what ends it (a reset).
    virtual void endAtOnce(const std::string& why) = 0;
    virtual State state() const = 0;
    virtual bool running() const { return state() == State::Running; }
    virtual int pointsDone() const = 0;
    virtual int pointsTotal() const = 0;
    // RESult? and DATA? replies.
    virtual std::string resultText() const = 0;
    virtual std::string dataText() const = 0;
};

} // namespace Linearity

#endif
