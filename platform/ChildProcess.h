// A helper program started with its standard input and output on pipes to
// this process: nothing else of this process is handed to it (its standard
// error is shared). Calls block, as calls into a library do; a child that
// dies is seen at once.
#ifndef PLATFORM_CHILDPROCESS_H
#define PLATFORM_CHILDPROCESS_H

#include <QStringList>
#include <cstddef>
#include <memory>
#include <string>

namespace Platform {

class ChildProcess {
public:
    ChildProcess();
    // Closes the pipes; a child still running is left to see its input end.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `command` (program, found as the system's shell would, then its
    // arguments). False, with the system's reason in `why`, when it could
    // not be started.
    bool start(const QStringList& command, std::string& why);
    // False when the child's input is closed (it died); never a signal.
    bool write(const unsigned char* data, std::size_t size);

    enum class Read { Complete, Ended, TimedOut };
    // Reads `size` bytes, waiting at most `timeoutMs` (-1: as long as the
    // child lives). TimedOut leaves the child running; kill() ends it.
    Read read(unsigned char* out, std::size_t size, int timeoutMs);

    // Closes both pipes: the child sees its input end.
    void closePipes();
    // True when the child has ended (and is gone from the system's table);
    // also when none was started.
    bool ended();
    // Waits up to `timeoutMs` for the child to end.
    void waitForExit(int timeoutMs);
    // Ends the child at once, as the system's hardest kill does, and waits
    // for it to be gone.
    void kill();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace Platform

#endif
