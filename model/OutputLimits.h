// Per-channel output limits, in volts: the one rule every path that could
// raise an output (a write, a range change, an LDAC) asks before it sends
// anything. Off by default; a channel without a limit may go to the range's
// full scale, as it always could.
#ifndef OUTPUTLIMITS_H
#define OUTPUTLIMITS_H

#include "Converter.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace OutputLimits {

// The value of a limit that is off.
constexpr double Off = -1;
// Limits are given in volts, 0 to the largest range.
constexpr double Largest = Converter::HighRangeVolts;

// What an action would do to the first channel it takes above its limit;
// `refused` false when it takes none there.
struct Refusal {
    bool refused = false;
    int channel = 0; // 1 to 4, as the channel is numbered on the part
    double volts = 0;
    double limit = 0;
};

// Each check looks at the channels of the part in force (PanelModel),
// with their loaded codes (dacCode), what the outputs hold (outputCode), the
// lines and the range.
// A write of `code` to the panel's slots `first` to `last`, at the range.
Refusal CheckWrite(int first, int last, std::int32_t code, int rangeVolts);
// The range going from `fromVolts` to `toVolts`: the loaded codes and what the
// outputs hold, at the new range.
Refusal CheckRange(int fromVolts, int toVolts);
// LDAC pulsed or taken low: the loaded codes reaching the outputs.
Refusal CheckLoad(int rangeVolts);

// The limit of a channel (1 to 4 on the part) or Off; and setting it, which
// keeps it for the next run of this part. A negative value turns it off.
double Limit(int channel);
void SetLimit(int channel, double volts);
// A limit for this run only, as the command line gives it: the kept one
// stays as it is for the next run.
void SetRunLimit(int channel, double volts);
// The title's note: any limit in force, or one of this run's limits that
// is not the kept one.
bool AnySet();
// The kept text of a channel's limit that could not be read, which holds
// the channel at 0 V until its limit is set; empty when it was read.
QString Unreadable(int channel);
// A kept limit's text as volts: a plain decimal from 0 to Largest, or
// nothing.
std::optional<double> ReadKept(const QString& text);
// The limits kept for the part in force. Read on the first use of any of the
// above, once the part is chosen: reading settings costs start-up time
// before the window's first paint, where nothing needs them yet.
void Load();
// The limits read no more: read again on next use (a new run, another part).
void Forget();

// True when the output of `slot` is above its limit now (after the limit was
// lowered below it): its reading is shown as a caution.
bool OverLimit(int slot, int rangeVolts);

// A limit as the texts give it: "20", "12.5".
QString Format(double volts);
// The box in the window, and the detail of the remote error -222.
QString WindowText(const Refusal& refusal);
std::string RemoteDetail(const Refusal& refusal);

} // namespace OutputLimits

#endif
