// The figures of a linearity run, named as IEEE Std 1658 names them for a
// DAC: from the mean reading of each measured code, the run's codes and its
// range. Plain C++.
#ifndef LINEARITYMATH_H
#define LINEARITYMATH_H

#include <string>
#include <vector>

namespace Linearity {

// SCPI's "not a number": a figure that was not measured.
constexpr double NotMeasured = 9.9e37;

struct Figures {
    bool valid = false;     // at least two codes measured
    double idealLsb = 0;    // V
    double measuredLsb = 0; // V per code, between the end points
    double offsetVolts = 0;
    double offsetLsb = 0; // in ideal LSB
    double gainPercent = 0;
    std::vector<double> endpointInl; // LSB, one per measured code
    std::vector<double> bestFitInl;  // LSB of the best-fit line
    std::vector<double> dnl;         // step 1 only: one per code after the first
    bool dnlMeasured = false;
    bool monotonic = false;
    // The summary: largest |INL| with its code, lowest and highest DNL.
    double maxEndpointInl = 0;
    int maxEndpointInlCode = 0;
    double maxBestFitInl = 0;
    int maxBestFitInlCode = 0;
    double dnlMin = NotMeasured;
    int dnlMinCode = 0;
    double dnlMax = NotMeasured;
    int dnlMaxCode = 0;
};

// `volts[i]` is the mean reading at code first + i * step; `rangeVolts` the
// range in force (30 or 60).
Figures Compute(int first, int step, const std::vector<double>& volts, int rangeVolts);

// The remote reply: gain %, offset V, max |INL| endpoint, max |INL| best-fit,
// DNL min, DNL max, monotonic 0|1; 9.9E37 where not measured.
std::string ResultText(const Figures& figures);
// A number as the replies give it.
std::string Number(double value);

} // namespace Linearity

#endif
