// The modelled converter's errors (BOARDPORT_ERRORS) and the outputs file
// (BOARDPORT_OUTPUTS) that lets a simulated multimeter read the outputs from
// another process.
#ifndef SIMBOARD_CONVERTERERRORS_H
#define SIMBOARD_CONVERTERERRORS_H

#include <string>
#include <utility>
#include <vector>

namespace simboard {

struct ConverterErrors {
    double gainPercent = 0;
    double offsetMillivolts = 0;
    double bowLsb = 0;
    std::vector<std::pair<int, double>> steps; // code, LSB

    // Comma-separated terms: gain=<percent>, offset=<mV>, bow=<LSB>,
    // step=<code>:<LSB> (any number). A term that does not read is left out
    // and named in `rejected`.
    static ConverterErrors Parse(const char* text, std::string* rejected = nullptr);
    // From BOARDPORT_ERRORS; none without it.
    static ConverterErrors FromEnvironment();

    // Volts at an output whose DAC register holds `code`, in a range of
    // `fullScale` volts.
    double volts(int code, double fullScale) const;
};

// Writes the four outputs to the file BOARDPORT_OUTPUTS names, if any: whole
// into a file beside it, then renamed into place, so a reader never sees half.
void writeOutputsFile(const double (&output)[4]);

} // namespace simboard

#endif
