#include "QV7310Variables.h"

#include "Converter.h"

namespace QV7310Variables {

bool partIsQuad = false;
std::int32_t dacCode[ControlArrays::Channels] = {};
std::int32_t outputCode[ControlArrays::Channels] = {};
std::int32_t pendingCode = 0;
std::int32_t registerAddress = 0;
std::int32_t controlBits = 0;
bool ldacIsHigh = false;
bool clrIsLow = false;
bool resetOnExit = false;
int rangeVolts = Converter::LowRangeVolts;
double outputLimit[ControlArrays::Channels] = {-1, -1, -1, -1};
bool limitsLoaded = false;

void Clear() {
    partIsQuad = false;
    ClearCodes();
    controlBits = 0;
    ldacIsHigh = false;
    clrIsLow = false;
    resetOnExit = false;
    rangeVolts = Converter::LowRangeVolts;
    for (double& limit : outputLimit)
        limit = -1;
    limitsLoaded = false;
    ClearOutputs();
}

void ClearCodes() {
    pendingCode = 0;
    registerAddress = 0;
    for (std::int32_t& code : dacCode)
        code = 0;
}

void LoadOutputs() {
    PassWrittenCodes(0, ControlArrays::Channels - 1);
}

void PassWrittenCodes(int first, int last) {
    if (clrIsLow)
        return;
    for (int k = first; k <= last; ++k)
        outputCode[k] = dacCode[k];
}

void ClearOutputs() {
    for (std::int32_t& code : outputCode)
        code = 0;
}

} // namespace QV7310Variables
