// Per-channel output limits, in volts: the one rule every path that could
// raise an output (a write, a range change, an LDAC) asks before it sends
// anything. Off by default; a channel without a limit may go to the range's
// full scale, as it always could. The panel model owns one and hands itself
// in: the checks look at its part, codes and lines.
#ifndef OUTPUTLIMITS_H
#define OUTPUTLIMITS_H

#include "Converter.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class PanelModel;

class OutputLimits {
public:
    // The value of a limit that is off.
    static constexpr double Off = -1;
    // Limits are given in volts, 0 to the largest range.
    static constexpr double Largest = Converter::HighRangeVolts;

    // What an action would do to the first channel it takes above its limit;
    // `refused` false when it takes none there.
    struct Refusal {
        bool refused = false;
        int channel = 0; // 1 to 4, as the channel is numbered on the part
        double volts = 0;
        double limit = 0;
    };

    explicit OutputLimits(const PanelModel& model) : model_(model) {}
    OutputLimits(const OutputLimits&) = delete;
    OutputLimits& operator=(const OutputLimits&) = delete;

    // Each check looks at the channels of the model's part, with their
    // loaded codes (dacCode), what the outputs hold (outputCode), the lines
    // and the range.
    // A write of `code` to the model's slots `first` to `last`, at the range.
    Refusal checkWrite(int first, int last, std::int32_t code, int rangeVolts) const;
    // The range going from `fromVolts` to `toVolts`: the loaded codes and
    // what the outputs hold, at the new range.
    Refusal checkRange(int fromVolts, int toVolts) const;
    // LDAC pulsed or taken low: the loaded codes reaching the outputs.
    Refusal checkLoad(int rangeVolts) const;

    // The limit of a channel (1 to 4 on the part) or Off; and setting it,
    // which keeps it for the next run of this part. A negative value turns
    // it off.
    double limit(int channel) const;
    void setLimit(int channel, double volts);
    // A limit for this run only, as the command line gives it: the kept one
    // stays as it is for the next run.
    void setRunLimit(int channel, double volts);
    // The title's note: any limit in force, or one of this run's limits that
    // is not the kept one.
    bool anySet() const;
    // The kept text of a channel's limit that could not be read, which holds
    // the channel at 0 V until its limit is set; empty when it was read.
    QString unreadable(int channel) const;
    // The limits kept for the part in force. Read on the first use of any of
    // the above, once the part is chosen: reading settings costs start-up
    // time before the window's first paint, where nothing needs them yet.
    void load() const;
    // The limits read no more: read again on next use (a new run, another part).
    void forget();

    // True when the output of `slot` is above its limit now (after the limit
    // was lowered below it): its reading is shown as a caution.
    bool overLimit(int slot, int rangeVolts) const;

    // A kept limit's text as volts: a plain decimal from 0 to Largest, or
    // nothing.
    static std::optional<double> ReadKept(const QString& text);
    // A limit as the texts give it: "20", "12.5".
    static QString Format(double volts);
    // The box in the window, and the detail of the remote error -222.
    static QString WindowText(const Refusal& refusal);
    static std::string RemoteDetail(const Refusal& refusal);

private:
    bool partIsQuad() const;
    int channelOf(int slot) const;
    int slotOf(int channel) const;
    bool onPart(int slot) const;
    // A code at a range against the slot's limit.
    Refusal check(int slot, std::int32_t code, int rangeVolts) const;
    QString settingsKey(int channel) const;
    void ensureLoaded() const;

    const PanelModel& model_;
    // Each slot's limit in volts, or Off; read from the part's settings on
    // first use.
    mutable double outputLimit_[Converter::Channels] = {Off, Off, Off, Off};
    // What the settings keep for each slot (0 for a value that could not be
    // read), and that value's text.
    mutable double keptLimit_[Converter::Channels] = {Off, Off, Off, Off};
    mutable QString unreadable_[Converter::Channels];
    mutable bool loaded_ = false;
};

#endif
