#include "SafeSequence.h"

#include <cstdio>

namespace Declare {

std::string FailureList(const std::vector<SafeFailure>& failed) {
    std::string list;
    for (const SafeFailure& f : failed) {
        list += (list.empty() ? "request " : ", request ") + std::to_string(f.step.request);
        if (f.step.request == BoardPortAbi::BoardRequest::SerialWord) {
            // The word's echo in lower case; a negative word shows its 32-bit
            // two's complement.
            char word[16];
            std::snprintf(word, sizeof word, "0x%04x", static_cast<unsigned>(f.step.word));
            list += std::string(" (word ") + word + ")";
        }
        list += " returned " + std::to_string(f.status);
    }
    return list;
}

} // namespace Declare
