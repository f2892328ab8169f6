// The outputs' safe state as requests: control register cleared, code 0 to
// all DACs, LDAC pulsed, 30 V range. The panel sends it at exit and on a
// reset; the board bridge sends the same when the panel dies, and both name
// the failed requests alike. Free of Qt, since the bridge is built without it.
#ifndef SAFESEQUENCE_H
#define SAFESEQUENCE_H

#include "RegisterMap.h"
#include "board/BoardPortAbi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Declare {

struct SafeStep {
    std::int16_t request;
    std::int32_t word; // the serial word of a SerialWord request, else unused
};

constexpr SafeStep SafeSequence[] = {
    {BoardPortAbi::BoardRequest::SerialWord, RegisterAddress::Control},
    {BoardPortAbi::BoardRequest::SerialWord, RegisterAddress::AllDacs},
    {BoardPortAbi::BoardRequest::PulseLdac, 0},
    {BoardPortAbi::BoardRequest::Range30V, 0},
};

// A serial word as request 221 carries it: bits 0-15 the value, bits 16-23 the index.
constexpr std::int32_t WordValue(std::int32_t word) {
    return word & 0xFFFF;
}
constexpr std::int32_t WordIndex(std::int32_t word) {
    return (word & 0xFF0000) / 65536;
}

struct SafeFailure {
    SafeStep step;
    std::int16_t status;
};

// Sends the steps in order through `send` (SafeStep -> status) and returns
// those that failed (a negative status), in that order.
template <typename Send> std::vector<SafeFailure> SendSafeSequence(Send&& send) {
    std::vector<SafeFailure> failed;
    for (const SafeStep& step : SafeSequence) {
        const std::int16_t status = send(step);
        if (status < 0)
            failed.push_back({step, status});
    }
    return failed;
}

// The failed requests as both report them: "request 221 (word 0x7000)
// returned -5, request 222 returned -5".
std::string FailureList(const std::vector<SafeFailure>& failed);

} // namespace Declare

#endif
