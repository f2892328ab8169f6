#include "LinearityMath.h"

#include <cmath>
#include <cstdio>

namespace Linearity {

namespace {

// The least-squares line volts = a + b * code through every point.
void bestFitLine(int first, int step, const std::vector<double>& volts, double& a, double& b) {
    const double n = static_cast<double>(volts.size());
    double sx = 0, sy = 0;
    for (std::size_t i = 0; i < volts.size(); ++i) {
        sx += first + static_cast<double>(i) * step;
        sy += volts[i];
    }
    const double mx = sx / n, my = sy / n;
    double sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < volts.size(); ++i) {
        const double dx = first + static_cast<double>(i) * step - mx;
        sxy += dx * (volts[i] - my);
        sxx += dx * dx;
    }
    b = sxy / sxx;
    a = my - b * mx;
}

// The entry of largest magnitude and its code.
void largest(const std::vector<double>& values, int first, int step, double& value, int& code) {
    value = 0;
    code = first;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::fabs(values[i]) > std::fabs(value)) {
            value = values[i];
            code = first + static_cast<int>(i) * step;
        }
}

void computeDnl(Figures& f, int first, const std::vector<double>& volts) {
    f.dnlMeasured = true;
    f.monotonic = true;
    for (std::size_t i = 1; i < volts.size(); ++i) {
        const double dnl = (volts[i] - volts[i - 1]) / f.measuredLsb - 1;
        const int code = first + static_cast<int>(i);
        f.dnl.push_back(dnl);
        f.monotonic = f.monotonic && volts[i] > volts[i - 1];
        if (i == 1 || dnl < f.dnlMin) {
            f.dnlMin = dnl;
            f.dnlMinCode = code;
        }
        if (i == 1 || dnl > f.dnlMax) {
            f.dnlMax = dnl;
            f.dnlMaxCode = code;
        }
    }
}

} // namespace

Figures Compute(int first, int step, const std::vector<double>& volts, int rangeVolts) {
    Figures f;
    if (volts.size() < 2 || step < 1 || rangeVolts <= 0)
        return f;
    f.valid = true;
    const int last = first + static_cast<int>(volts.size() - 1) * step;
    f.idealLsb = rangeVolts / 4096.0;
    f.measuredLsb = (volts.back() - volts.front()) / (last - first);
    // Code 0's reading, or where the endpoint line meets code 0.
    f.offsetVolts = first == 0 ? volts.front() : volts.front() - first * f.measuredLsb;
    f.offsetLsb = f.offsetVolts / f.idealLsb;
    f.gainPercent = (f.measuredLsb * 4096 / rangeVolts - 1) * 100;
    double a = 0, b = 0;
    bestFitLine(first, step, volts, a, b);
    for (std::size_t i = 0; i < volts.size(); ++i) {
        const double code = first + static_cast<double>(i) * step;
        f.endpointInl.push_back((volts[i] - volts.front() - (code - first) * f.measuredLsb) /
                                f.measuredLsb);
        f.bestFitInl.push_back((volts[i] - (a + b * code)) / b);
    }
    largest(f.endpointInl, first, step, f.maxEndpointInl, f.maxEndpointInlCode);
    largest(f.bestFitInl, first, step, f.maxBestFitInl, f.maxBestFitInlCode);
    if (step == 1)
        computeDnl(f, first, volts);
    return f;
}

std::string Number(double value) {
    if (value >= NotMeasured)
        return "9.9E37";
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string ResultText(const Figures& f) {
    if (!f.valid)
        return "9.9E37,9.9E37,9.9E37,9.9E37,9.9E37,9.9E37,9.9E37";
    return Number(f.gainPercent) + ',' + Number(f.offsetVolts) + ',' +
           Number(std::fabs(f.maxEndpointInl)) + ',' + Number(std::fabs(f.maxBestFitInl)) + ',' +
           Number(f.dnlMin) + ',' + Number(f.dnlMax) + ',' +
           (f.dnlMeasured ? std::string(f.monotonic ? "1" : "0") : Number(NotMeasured));
}

} // namespace Linearity
