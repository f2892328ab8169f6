// The BoardPort library served by the board bridge, a process of its own,
// through pipes to its standard input and output (frames: BridgeFrames.h).
// Each call blocks until its result is back, as a call into the library
// does; a bridge that dies is seen at once, and every call then fails with
// BridgeEndedStatus until a download starts a new one.
#include "BoardBackend.h"

#include "BridgeFrames.h"
#include "USBStuff.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace BridgeFrames;

// Wine may take this long to make a new prefix before the bridge runs.
constexpr int HelloTimeoutMs = 120000;
// How often a wait for a result looks whether the bridge is still there: a
// process it started may hold its output open after it died.
constexpr int LivenessMs = 200;

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
        // A write to a bridge that died must fail, not end the panel.
        struct sigaction current = {};
        if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGPIPE, SIG_IGN);

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
        if (spawned != 0) {
            closePipes();
            return notStarted(std::strerror(spawned));
        }
        pid_ = pid;
        unsigned char hello[HelloSize];
        if (!readAll(hello, HelloSize, HelloTimeoutMs) ||
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

    bool writeAll(const unsigned char* data, std::size_t size) {
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
    bool readAll(unsigned char* out, std::size_t size, int timeoutMs) {
        int waited = 0;
        while (size > 0) {
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
                continue;
            }
            const ssize_t n = ::read(fromBridge_, out, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            out += n;
            size -= static_cast<std::size_t>(n);
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
    bool resetOnExit_ = true;
    pid_t pid_ = -1;
    int toBridge_ = -1;
    int fromBridge_ = -1;
};

} // namespace

std::unique_ptr<BoardBackend> MakeBridgeBackend(const QStringList& command) {
    return std::make_unique<BridgeBackend>(command);
}
