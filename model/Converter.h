// The converter's and the board's facts, each written once: the codes, the
// channels, the two ranges, volts for a code and back, the caution threshold, the part
// names and the maker's name as instruments report it. Free of Qt, so that
// remote control's command table can use it too.
#ifndef CONVERTER_H
#define CONVERTER_H

#include <cstdint>

namespace Converter {

// 12-bit codes: 0 to MaxCode, CodeSteps of them.
constexpr std::int32_t MaxCode = 4095;
constexpr int CodeSteps = MaxCode + 1;

// The quad part's channels, DAC1 to DAC4; the single part has one.
constexpr int Channels = 4;

// The output ranges the range line selects.
enum class Range { V30, V60 };
constexpr int Volts(Range range) {
    return range == Range::V30 ? 30 : 60;
}
constexpr int LowRangeVolts = Volts(Range::V30);
constexpr int HighRangeVolts = Volts(Range::V60);

// The output of `code` in a range of `rangeVolts`.
constexpr double VoltsForCode(std::int32_t code, int rangeVolts) {
    return static_cast<double>(code) * rangeVolts / CodeSteps;
}
// The exact (unrounded) code for `volts` in a range of `rangeVolts`.
constexpr double ExactCodeForVolts(double volts, int rangeVolts) {
    return volts * CodeSteps / rangeVolts;
}

// The caution label and the lamps light at this output and above, in the
// 60 V range; CautionCode is the lowest code that reaches it there.
constexpr double CautionVolts = 50.0;
constexpr std::int32_t CeilCode(double exact) {
    const auto truncated = static_cast<std::int32_t>(exact);
    return truncated < exact ? truncated + 1 : truncated;
}
constexpr std::int32_t CautionCode = CeilCode(ExactCodeForVolts(CautionVolts, HighRangeVolts));
static_assert(VoltsForCode(CautionCode, HighRangeVolts) >= CautionVolts &&
                  VoltsForCode(CautionCode - 1, HighRangeVolts) < CautionVolts,
              "CautionCode is the first code at the caution threshold");

// The parts, and the maker's name in *IDN? and DNS-SD.
constexpr const char* QuadPart = "QV7310";
constexpr const char* SinglePart = "QV7301";
constexpr const char* Manufacturer = "QVPANEL";

} // namespace Converter

#endif
