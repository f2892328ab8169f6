#include "QV7310Variables.h"

namespace QV7310Variables {

bool partIsQuad = false;
std::int32_t dacCode[ControlArrays::Channels] = {};
std::int32_t pendingCode = 0;
std::int32_t registerAddress = 0;
std::int32_t controlBits = 0;
bool ldacIsHigh = false;
bool resetOnExit = false;

void Clear() {
    partIsQuad = false;
    for (std::int32_t& code : dacCode)
        code = 0;
    pendingCode = 0;
    registerAddress = 0;
    controlBits = 0;
    ldacIsHigh = false;
    resetOnExit = false;
}

} // namespace QV7310Variables
