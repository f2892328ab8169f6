#include "LineFramer.h"

namespace Scpi {

std::vector<LineFramer::Line> LineFramer::feed(std::string_view bytes) {
    std::vector<Line> lines;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        const std::string_view chunk = bytes.substr(0, lf);
        if (!discarding_) {
            // One byte more than a line may hold can only be its CR.
            const std::size_t held = partial_.size() + chunk.size();
            if (held > MaxLineLength + 1 ||
                (held == MaxLineLength + 1 &&
                 (chunk.empty() ? partial_.back() : chunk.back()) != '\r')) {
                discarding_ = true;
                partial_.clear();
                partial_.shrink_to_fit();
            } else {
                partial_.append(chunk);
            }
        }
        if (lf == std::string_view::npos)
            break;
        Line line;
        if (discarding_) {
            line.tooLong = true;
        } else {
            if (!partial_.empty() && partial_.back() == '\r')
                partial_.pop_back();
            line.text = std::move(partial_);
        }
        lines.push_back(std::move(line));
        partial_.clear();
        discarding_ = false;
        bytes.remove_prefix(lf + 1);
    }
    return lines;
}

} // namespace Scpi
