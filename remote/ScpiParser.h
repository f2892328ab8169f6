// Program messages: each line's commands parsed against the command table
// into what the executor runs, or the error they give. Plain C++ without Qt,
// so a fuzzer can take it alone.
#ifndef SCPIPARSER_H
#define SCPIPARSER_H

#include "ScpiCommands.h"
#include "ScpiErrors.h"

#include <string_view>
#include <vector>

namespace Scpi {

// One command of a line: `error` is 0 when `command` holds it.
struct Parsed {
    int error = Error::None;
    Command command;
    // The command as written, without the spaces around it (a view of the
    // line parsed).
    std::string_view text;
};

// The commands of one line (without its line end), separated by ';', up to
// and including the first that gives an error: an error ends its line.
// Empty commands are skipped. After a ';' a header without a leading ':'
// continues the previous command's path (`DAC1:CODE 20;CODE?` is
// `DAC1:CODE?`); one not found there is taken from the root, and a leading
// ':' goes to the root. Common commands (*IDN?) leave the path alone.
std::vector<Parsed> ParseLine(std::string_view line);
// One command, its header taken from the root.
Parsed ParseCommand(std::string_view text);

} // namespace Scpi

#endif
