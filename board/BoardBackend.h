// One way of reaching the BoardPort library's two functions: loaded into
// this process, or served by the board bridge.
#ifndef BOARDBACKEND_H
#define BOARDBACKEND_H

#include <QStringList>
#include <cstdint>
#include <memory>

class BoardBackend {
public:
    virtual ~BoardBackend() = default;
    virtual std::int16_t loadFirmWare(char* path) = 0;
    virtual std::int16_t vendorIORequest(std::int16_t request, std::int32_t value,
                                         std::int32_t index, std::int16_t arg4, std::int16_t arg5,
                                         char* buffer) = 0;
    // What the outputs should become if the panel dies: the safe state (true)
    // or as they are. Only a backend in another process can act on it.
    virtual void setExitChoice(bool /*resetOnExit*/) {}
    // The panel's orderly exit is done; nothing more will come.
    virtual void goodbye() {}
};

// The library loaded in-process: beside the executable first, then wherever
// the system looks for libraries.
std::unique_ptr<BoardBackend> MakeLibraryBackend();

// How long the bridge may take to answer a call. Past it the bridge is taken
// for hung (a library stuck in a transfer) and ended.
struct BridgeDeadlines {
    int requestMs = 5000;
    int downloadMs = 30000;
};

// The board bridge started as `command` (program and arguments) at the first
// call, and again by a download after it ended.
std::unique_ptr<BoardBackend> MakeBridgeBackend(const QStringList& command,
                                                const BridgeDeadlines& deadlines);

#endif
