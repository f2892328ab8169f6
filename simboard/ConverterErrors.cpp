#include "ConverterErrors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace simboard {

namespace {

// A whole decimal number from [text, end); false for anything else.
bool parseNumber(const std::string& text, double& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

bool parseTerm(const std::string& term, ConverterErrors& errors) {
    const std::size_t eq = term.find('=');
    if (eq == std::string::npos)
        return false;
    const std::string name = term.substr(0, eq);
    const std::string value = term.substr(eq + 1);
    if (name == "step") {
        const std::size_t colon = value.find(':');
        double code = 0;
        double lsb = 0;
        if (colon == std::string::npos || !parseNumber(value.substr(0, colon), code) ||
            !parseNumber(value.substr(colon + 1), lsb) || code < 0 || code > 4095 ||
            code != static_cast<int>(code))
            return false;
        errors.steps.emplace_back(static_cast<int>(code), lsb);
        return true;
    }
    double number = 0;
    if (!parseNumber(value, number))
        return false;
    if (name == "gain")
        errors.gainPercent = number;
    else if (name == "offset")
        errors.offsetMillivolts = number;
    else if (name == "bow")
        errors.bowLsb = number;
    else
        return false;
    return true;
}

} // namespace

ConverterErrors ConverterErrors::Parse(const char* text, std::string* rejected) {
    ConverterErrors errors;
    if (text == nullptr)
        return errors;
    std::string all(text);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t comma = all.find(',', start);
        if (comma == std::string::npos)
            comma = all.size();
        const std::string term = all.substr(start, comma - start);
        if (!term.empty() && !parseTerm(term, errors) && rejected != nullptr)
            *rejected += (rejected->empty() ? "" : ",") + term;
        start = comma + 1;
    }
    return errors;
}

ConverterErrors ConverterErrors::FromEnvironment() {
    std::string rejected;
    const ConverterErrors errors = Parse(std::getenv("BOARDPORT_ERRORS"), &rejected);
    if (!rejected.empty())
        std::fprintf(stderr, "BoardPort: BOARDPORT_ERRORS terms not understood: %s\n",
                     rejected.c_str());
    return errors;
}

double ConverterErrors::volts(int code, double fullScale) const {
    const double lsb = fullScale / 4096.0;
    const double c = code;
    double inLsb = bowLsb * 4.0 * c * (4095.0 - c) / (4095.0 * 4095.0);
    for (const auto& step : steps)
        if (step.first <= code)
            inLsb += step.second;
    return offsetMillivolts / 1000.0 + c * lsb * (1.0 + gainPercent / 100.0) + lsb * inLsb;
}

void writeOutputsFile(const double (&output)[4]) {
    const char* path = std::getenv("BOARDPORT_OUTPUTS");
    if (path == nullptr || *path == '\0')
        return;
    const std::string partial = std::string(path) + ".part";
    FILE* f = std::fopen(partial.c_str(), "wb");
    if (f == nullptr)
        return;
    std::fprintf(f, "%.6f %.6f %.6f %.6f\n", output[0], output[1], output[2], output[3]);
    if (std::fclose(f) != 0)
        return;
    // Replaces the old file in one step, on Windows too.
    std::error_code error;
    std::filesystem::rename(partial, path, error);
}

} // namespace simboard
