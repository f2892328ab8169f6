// The BoardPort library served by the board bridge, a process of its own,
// through pipes to its standard input and output (frames: BridgeFrames.h).
// Each call blocks until its result is back, as a call into the library
// does; a bridge that dies is seen at once, and every call then fails with
// BridgeEndedStatus until a download starts a new one. A call has a deadline
// (BridgeDeadlines): a bridge that does not answer in time is killed, and
// every call fails with BridgeTimedOutStatus, sending nothing, until a
// download starts a new one.
#include "BoardBackend.h"

#include "BridgeFrames.h"
#include "USBStuff.h"

#include "platform/ChildProcess.h"

#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace BridgeFrames;

// How long a new bridge may take to say hello. A bridge under Wine that runs
// in an emulator (as on a machine without 32-bit support) can need minutes:
// QV7310_BRIDGE_START_SECONDS sets another limit.
int helloTimeoutMs() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("QV7310_BRIDGE_START_SECONDS", &ok);
    return ok && seconds > 0 ? seconds * 1000 : 60000;
}
// How long an ended bridge may take to go (after its safe state, if it owes
// one), so that it leaves nothing behind.
constexpr int ExitWaitMs = 1000;

class BridgeBackend : public BoardBackend {
public:
    BridgeBackend(const QStringList& command, const BridgeDeadlines& deadlines)
        : command_(command), deadlines_(deadlines) {}
    ~BridgeBackend() override {
        // No goodbye: the panel did not finish an orderly exit, so the bridge
        // sees its input end and acts on the exit choice.
        closePipes();
    }

    std::int16_t loadFirmWare(char* path) override {
        unsigned char frame[DownloadSize];
        if (!EncodeDownload(path, frame))
            return USBStuff::PathUnusableStatus;
        unsigned char result[ResultSize];
        return call(frame, sizeof frame, true, result);
    }

    std::int16_t vendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t arg4, std::int16_t arg5, char* buffer) override {
        VendorCall c{request, value, index,
                     arg4,    arg5,  static_cast<unsigned char>(buffer ? *buffer : 0)};
        unsigned char frame[VendorSize];
        EncodeVendor(c, frame);
        unsigned char result[ResultSize];
        const std::int16_t status = call(frame, sizeof frame, false, result);
        if (buffer && state_ == State::Running)
            *buffer = static_cast<char>(result[3]);
        return status;
    }

    void setExitChoice(bool resetOnExit) override {
        resetOnExit_ = resetOnExit;
        if (state_ == State::Running)
            sendExitChoice();
    }

    void goodbye() override {
        if (state_ != State::Running)
            return;
        const unsigned char frame[GoodbyeSize] = {GoodbyeKind};
        writeAll(frame, sizeof frame);
        closePipes();
        state_ = State::Ended;
        waitForExit();
    }

private:
    enum class State { NotStarted, Running, Ended, Hung };

    std::int16_t call(const unsigned char* frame, std::size_t size, bool download,
                      unsigned char* result) {
        if (state_ == State::NotStarted || (state_ != State::Running && download)) {
            if (!start())
                return failedStart_ ? USBStuff::BridgeNotStartedStatus
                                    : USBStuff::BridgeEndedStatus;
        }
        if (state_ == State::Hung)
            return USBStuff::BridgeTimedOutStatus;
        if (state_ != State::Running)
            return USBStuff::BridgeEndedStatus;
        if (!writeAll(frame, size)) {
            end("its input is closed");
            return USBStuff::BridgeEndedStatus;
        }
        const int deadlineMs = download ? deadlines_.downloadMs : deadlines_.requestMs;
        const Platform::ChildProcess::Read read = bridge_.read(result, ResultSize, deadlineMs);
        if (read == Platform::ChildProcess::Read::TimedOut) {
            hung(deadlineMs);
            return USBStuff::BridgeTimedOutStatus;
        }
        if (read != Platform::ChildProcess::Read::Complete) {
            end("no result came back");
            return USBStuff::BridgeEndedStatus;
        }
        if (result[0] != static_cast<unsigned char>(ResultKind)) {
            end("it answered with something other than a result");
            return USBStuff::BridgeEndedStatus;
        }
        return Get16(result + 1);
    }

    bool start() {
        failedStart_ = false;
        std::string why;
        if (!bridge_.start(command_, why))
            return notStarted(why);
        unsigned char hello[HelloSize];
        if (bridge_.read(hello, HelloSize, helloTimeoutMs()) !=
                Platform::ChildProcess::Read::Complete ||
            std::memcmp(hello, Hello, HelloSize) != 0) {
            bridge_.closePipes();
            return notStarted("it did not answer as a board bridge");
        }
        state_ = State::Running;
        sendExitChoice();
        return state_ == State::Running;
    }

    bool notStarted(const std::string& why) {
        std::fprintf(stderr, "Board bridge could not be started (%s): %s\n",
                     qPrintable(command_.join(QLatin1Char(' '))), why.c_str());
        failedStart_ = true;
        state_ = State::Ended;
        return false;
    }

    void end(const char* why) {
        std::fprintf(stderr, "Board bridge ended: %s\n", why);
        closePipes();
        state_ = State::Ended;
        waitForExit();
    }

    // A bridge past its deadline cannot be trusted to come back in step (a
    // late answer would be taken for the next call's): it is ended at once.
    void hung(int deadlineMs) {
        std::fprintf(stderr, "Board bridge ended: no answer in %g s\n", deadlineMs / 1000.0);
        bridge_.closePipes();
        bridge_.kill();
        state_ = State::Hung;
    }

    void sendExitChoice() {
        const unsigned char frame[ExitChoiceSize] = {ExitChoiceKind,
                                                     static_cast<unsigned char>(resetOnExit_)};
        if (!writeAll(frame, sizeof frame))
            end("its input is closed");
    }

    bool writeAll(const unsigned char* data, std::size_t size) { return bridge_.write(data, size); }

    // A bridge whose pipes are closed ends at once (after its safe state, if
    // it owes one); a moment's wait leaves no zombie behind.
    void waitForExit() { bridge_.waitForExit(ExitWaitMs); }

    void closePipes() { bridge_.closePipes(); }

    QStringList command_;
    BridgeDeadlines deadlines_;
    State state_ = State::NotStarted;
    bool failedStart_ = false;
    bool resetOnExit_ = true;
    Platform::ChildProcess bridge_;
};

} // namespace

std::unique_ptr<BoardBackend> MakeBridgeBackend(const QStringList& command,
                                                const BridgeDeadlines& deadlines) {
    return std::make_unique<BridgeBackend>(command, deadlines);
}
