#include "platform/ChildProcess.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Platform {

namespace {
// How often a wait for a result looks whether the child is still there: a
// process it started may hold its output open after it died.
constexpr int LivenessMs = 200;
// How long a wait for a result looks for it before it sleeps in poll(): the
// wake-up is the larger part of a round trip when the child runs on the
// other processor.
constexpr std::chrono::microseconds SpinMicros{50};
} // namespace

struct ChildProcess::Impl {
    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
    bool maskSigpipe = false;

    bool spawn(std::vector<std::string>& args, int childIn, int childOut, std::string& why);
    void guardAgainstSigpipe();
    bool writeUnmasked(const unsigned char* data, std::size_t size);
};

ChildProcess::ChildProcess() : d_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
    closePipes();
}

bool ChildProcess::Impl::spawn(std::vector<std::string>& args, int childIn, int childOut,
                               std::string& why) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childIn, 0);
    posix_spawn_file_actions_adddup2(&actions, childOut, 1);
    // The child ends on the signals that end a program, whatever this
    // process does with them.
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
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        pid = -1;
        why = std::strerror(spawned);
    }
    return spawned == 0;
}

bool ChildProcess::start(const QStringList& command, std::string& why) {
    closePipes();
    ended();
    std::vector<std::string> args;
    for (const QString& a : command)
        args.push_back(QFile::encodeName(a).toStdString());
    if (args.empty()) {
        why = "no command";
        return false;
    }
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        why = std::strerror(errno);
        ::close(toChild[0]);
        ::close(toChild[1]);
        return false;
    }
    d_->guardAgainstSigpipe();
    const bool spawned = d_->spawn(args, toChild[0], fromChild[1], why);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    d_->toChild = toChild[1];
    d_->fromChild = fromChild[0];
    ::fcntl(d_->fromChild, F_SETFL, ::fcntl(d_->fromChild, F_GETFL) | O_NONBLOCK);
    if (!spawned)
        closePipes();
    return spawned;
}

// A write to a child that died must fail, not end this process. Where the
// process leaves SIGPIPE at its default, it is ignored from now on (as Qt
// does for its sockets); where something else handles it (a test library's
// crash handler), it is held back while writing instead.
void ChildProcess::Impl::guardAgainstSigpipe() {
    struct sigaction current = {};
    if (::sigaction(SIGPIPE, nullptr, &current) != 0)
        return;
    if (current.sa_handler == SIG_DFL) {
        std::signal(SIGPIPE, SIG_IGN);
        current.sa_handler = SIG_IGN;
    }
    maskSigpipe = current.sa_handler != SIG_IGN;
}

bool ChildProcess::write(const unsigned char* data, std::size_t size) {
    if (!d_->maskSigpipe)
        return d_->writeUnmasked(data, size);
    sigset_t pipe, previous, pending;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &previous);
    const bool written = d_->writeUnmasked(data, size);
    if (!written && errno == EPIPE && !wasPending) {
        const timespec now = {0, 0};
        sigtimedwait(&pipe, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return written;
}

bool ChildProcess::Impl::writeUnmasked(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(toChild, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ChildProcess::Read ChildProcess::read(unsigned char* out, std::size_t size, int timeoutMs) {
    int waited = 0;
    const auto spinUntil = std::chrono::steady_clock::now() + SpinMicros;
    while (size > 0) {
        const ssize_t got = ::read(d_->fromChild, out, size);
        if (got > 0) {
            out += got;
            size -= static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            return Read::Ended;
        if (std::chrono::steady_clock::now() < spinUntil)
            continue;
        pollfd p{d_->fromChild, POLLIN, 0};
        const int ready = ::poll(&p, 1, LivenessMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Read::Ended;
        if (ready == 0) {
            waited += LivenessMs;
            if (ended())
                return Read::Ended;
            if (timeoutMs >= 0 && waited >= timeoutMs)
                return Read::TimedOut;
        }
    }
    return Read::Complete;
}

void ChildProcess::closePipes() {
    for (int* fd : {&d_->toChild, &d_->fromChild}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool ChildProcess::ended() {
    if (d_->pid <= 0)
        return true;
    int status = 0;
    if (::waitpid(d_->pid, &status, WNOHANG) == 0)
        return false;
    d_->pid = -1;
    return true;
}

void ChildProcess::waitForExit(int timeoutMs) {
    for (int waited = 0; waited < timeoutMs && !ended(); waited += 5)
        ::usleep(5000);
}

void ChildProcess::kill() {
    if (d_->pid <= 0)
        return;
    ::kill(d_->pid, SIGKILL);
    int status = 0;
    while (::waitpid(d_->pid, &status, 0) < 0 && errno == EINTR) {
    }
    d_->pid = -1;
}

} // namespace Platform
