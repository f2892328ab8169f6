// Cutting a client's byte stream into lines. Plain C++ without Qt, so a
// fuzzer can take it alone.
#ifndef LINEFRAMER_H
#define LINEFRAMER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Scpi {

// Longest line, in bytes, without its LF and a CR before it.
constexpr std::size_t MaxLineLength = 4096;

// Cuts a byte stream into lines: LF ends a line and a CR just before it is
// dropped. A line longer than MaxLineLength is dropped whole, reported once
// when its LF arrives; at most MaxLineLength + 1 bytes are ever held.
class LineFramer {
public:
    struct Line {
        bool tooLong = false;
        std::string text; // empty when tooLong
    };
    // The lines that `bytes` completes, in order.
    std::vector<Line> feed(std::string_view bytes);

private:
    std::string partial_;
    bool discarding_ = false;
};

} // namespace Scpi

#endif
