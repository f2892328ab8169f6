// The BoardPort library served by the board bridge, a process of its own,
// through pipes to its standard input and output (frames: BridgeFrames.h).
// Each call blocks until its result is back, as a call into the library
// does; a bridge that dies is seen at once, and every call then fails with
// BridgeEndedStatus until a download starts a new one.
#include "BoardBackend.h"

#include "BridgeFrames.h"
#include "USBStuff.h"

#include <QFile>
#include <QtGlobal>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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
// How often a wait for a result looks whether the bridge is still there: a
// process it started may hold its output open after it died.
constexpr int LivenessMs = 200;
// How long a wait for a result looks for it before it sleeps.
constexpr std::chrono::microseconds SpinMicros{50};

class BridgeBackend : public BoardBackend {
public:
    explicit BridgeBackend(const QStringList& command) : command_(command) {}
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
    enum class State { NotStarted, Running, Ended };

    std::int16_t call(const unsigned char* frame, std::size_t size, bool download,
                      unsigned char* result) {
        if (state_ == State::NotStarted || (state_ == State::Ended && download)) {
            if (!start())
                return failedStart_ ? USBStuff::BridgeNotStartedStatus
                                    : USBStuff::BridgeEndedStatus;
        }
        if (state_ != State::Running)
            return USBStuff::BridgeEndedStatus;
        if (!writeAll(frame, size)) {
            end("its input is closed");
            return USBStuff::BridgeEndedStatus;
        }
        if (!readAll(result, ResultSize, -1)) {
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
        closePipes();
        reaped();
        failedStart_ = false;
        std::vector<std::string> args;
        for (const QString& a : command_)
            args.push_back(QFile::encodeName(a).toStdString());
        if (args.empty())
            return notStarted("no command");
        int toBridge[2], fromBridge[2];
        if (::pipe2(toBridge, O_CLOEXEC) != 0)
            return notStarted(std::strerror(errno));
        if (::pipe2(fromBridge, O_CLOEXEC) != 0) {
            const int error = errno;
            ::close(toBridge[0]);
            ::close(toBridge[1]);
            return notStarted(std::strerror(error));
        }
        guardAgainstSigpipe();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toBridge[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromBridge[1], 1);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults, none;
        sigemptyset(&defaults);
        for (int s : {SIGPIPE, SIGINT, SIGHUP, SIGQUIT, SIGTERM})
            sigaddset(&defaults, s);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int spawned =
            ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(toBridge[0]);
        ::close(fromBridge[1]);
        toBridge_ = toBridge[1];
        fromBridge_ = fromBridge[0];
        ::fcntl(fromBridge_, F_SETFL, ::fcntl(fromBridge_, F_GETFL) | O_NONBLOCK);
        if (spawned != 0) {
            closePipes();
            return notStarted(std::strerror(spawned));
        }
        pid_ = pid;
        unsigned char hello[HelloSize];
        if (!readAll(hello, HelloSize, helloTimeoutMs()) ||
            std::memcmp(hello, Hello, HelloSize) != 0) {
            closePipes();
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

    void sendExitChoice() {
        const unsigned char frame[ExitChoiceSize] = {ExitChoiceKind,
                                                     static_cast<unsigned char>(resetOnExit_)};
        if (!writeAll(frame, sizeof frame))
            end("its input is closed");
    }

    // A write to a bridge that died must fail, not end the panel. Where the
    // process leaves SIGPIPE at its default, it is ignored from now on (as Qt
    // does for its sockets); where something else handles it (a test
    // library's crash handler), it is held back while writing instead.
    void guardAgainstSigpipe() {
        struct sigaction current = {};
        if (::sigaction(SIGPIPE, nullptr, &current) != 0)
            return;
        if (current.sa_handler == SIG_DFL) {
            std::signal(SIGPIPE, SIG_IGN);
            current.sa_handler = SIG_IGN;
        }
        maskSigpipe_ = current.sa_handler != SIG_IGN;
    }

    bool writeAll(const unsigned char* data, std::size_t size) {
        if (!maskSigpipe_)
            return writeUnmasked(data, size);
        sigset_t pipe, previous, pending;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigpending(&pending);
        const bool wasPending = sigismember(&pending, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, &previous);
        const bool written = writeUnmasked(data, size);
        if (!written && errno == EPIPE && !wasPending) {
            const timespec now = {0, 0};
            sigtimedwait(&pipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return written;
    }

    bool writeUnmasked(const unsigned char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(toBridge_, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    // Reads `size` bytes, waiting at most `timeoutMs` (-1: as long as the
    // bridge lives).
    // The result pipe is non-blocking: a result usually comes back within
    // microseconds, and looking for it a little while (SpinMicros) before
    // sleeping in poll() saves the wake-up, the larger part of a round trip
    // when the bridge runs on the other processor.
    bool readAll(unsigned char* out, std::size_t size, int timeoutMs) {
        int waited = 0;
        const auto spinUntil = std::chrono::steady_clock::now() + SpinMicros;
        while (size > 0) {
            const ssize_t got = ::read(fromBridge_, out, size);
            if (got > 0) {
                out += got;
                size -= static_cast<std::size_t>(got);
                continue;
            }
            if (got == 0 || (errno != EAGAIN && errno != EINTR))
                return false;
            if (std::chrono::steady_clock::now() < spinUntil)
                continue;
            pollfd p{fromBridge_, POLLIN, 0};
            const int ready = ::poll(&p, 1, LivenessMs);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0)
                return false;
            if (ready == 0) {
                waited += LivenessMs;
                if (reaped() || (timeoutMs >= 0 && waited >= timeoutMs))
                    return false;
            }
        }
        return true;
    }

    // A bridge whose pipes are closed ends at once (after its safe state, if
    // it owes one); a moment's wait leaves no zombie behind.
    void waitForExit() {
        for (int i = 0; i < 200 && !reaped(); ++i)
            ::usleep(5000);
    }

    // True when the bridge process has ended (and is gone from the table).
    bool reaped() {
        if (pid_ <= 0)
            return true;
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == 0)
            return false;
        pid_ = -1;
        return true;
    }

    void closePipes() {
        for (int* fd : {&toBridge_, &fromBridge_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    QStringList command_;
    State state_ = State::NotStarted;
    bool failedStart_ = false;
    bool maskSigpipe_ = false;
    bool resetOnExit_ = true;
    pid_t pid_ = -1;
    int toBridge_ = -1;
    int fromBridge_ = -1;
};

} // namespace

std::unique_ptr<BoardBackend> MakeBridgeBackend(const QStringList& command) {
    return std::make_unique<BridgeBackend>(command);
}
