// What IEEE 488.2 and SCPI keep per client: the error queue, the Standard
// Event Status Register with its enable, the service request enable, and the
// event and enable registers of the OPERation and QUEStionable groups. Plain
// C++ without Qt.
#ifndef SCPISESSION_H
#define SCPISESSION_H

#include <cstdint>
#include <deque>
#include <string>

namespace Scpi {

// A client's error queue: oldest first, at most 16 entries, the last of
// which becomes "Queue overflow" when more arrive.
class ErrorQueue {
public:
    static constexpr int Capacity = 16;
    // Returns false when the queue was full: the entry is lost, and the last
    // one says -350 "Queue overflow".
    bool push(int error, const std::string& detail = std::string());
    // The oldest entry as `-222,"Data out of range"`, or `0,"No error"`.
    std::string pop();
    void clear() { entries_.clear(); }
    int size() const { return static_cast<int>(entries_.size()); }
    // Errors pushed so far, overflowed ones included.
    std::uint64_t pushed() const { return pushed_; }

private:
    struct Entry {
        int error;
        std::string detail;
    };
    std::deque<Entry> entries_;
    std::uint64_t pushed_ = 0;
};

// Bits with a meaning in the conditions of the two SCPI groups.
namespace Condition {
constexpr int Caution = 1 << 9;       // OPERation: an output at or above 50 V is shown
constexpr int BoardNotReady = 1 << 9; // QUEStionable: the board status is not "ready"
} // namespace Condition

struct Session {
    // Standard Event Status Register bits.
    static constexpr int OperationComplete = 1 << 0;
    static constexpr int QueryError = 1 << 2;
    static constexpr int DeviceError = 1 << 3;
    static constexpr int ExecutionError = 1 << 4;
    static constexpr int CommandError = 1 << 5;
    // Status byte bits.
    static constexpr int ErrorQueueBit = 1 << 2;
    static constexpr int QuestionableBit = 1 << 3;
    static constexpr int MessageAvailableBit = 1 << 4;
    static constexpr int EventStatusBit = 1 << 5;
    static constexpr int MasterSummaryBit = 1 << 6;
    static constexpr int OperationBit = 1 << 7;

    ErrorQueue errors;
    int eventStatus = 0;   // *ESR?
    int eventEnable = 0;   // *ESE
    int serviceEnable = 0; // *SRE, bit 6 always 0
    int operationEvent = 0;
    int operationEnable = 0;
    int questionableEvent = 0;
    int questionableEnable = 0;
    // A reply waits to be read: one of an earlier line not yet taken by the
    // client, or of a query earlier on the line now running.
    bool messageAvailable = false;
    // The name the client gave itself (SYSTem:CLIent), empty until then;
    // the history names its requests by it from its next line on.
    std::string client;

    // Queues the error and sets its class's event bit; an error the full
    // queue cannot take sets the device-dependent bit of -350 instead.
    void error(int number, const std::string& detail = std::string());
    // Latches the rises of the conditions into the event registers.
    void rise(int operation, int questionable);
    // *STB?: bits 2, 3, 4 (MAV), 5, 7 and the summary in bit 6.
    int statusByte() const;
    // *CLS: the queue and the event registers.
    void clear();
};

} // namespace Scpi

#endif
