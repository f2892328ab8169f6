// What remote control and the Tango device need of the panel: its typed
// commands and queries, implemented by the panel model. Plain C++ without Qt,
// so that the command table and its fuzzer can take it alone. Channels count
// from 1 to channels(); 0 stands for all of them where a setting allows it.
#ifndef INSTRUMENT_H
#define INSTRUMENT_H

#include <string>

class Instrument {
public:
    virtual ~Instrument() = default;
    virtual std::string identity() const = 0;
    virtual int channels() const = 0;
    virtual void reset() = 0;
    virtual void setCode(int channel, int code) = 0;
    // The code last loaded into the channel's input register: what was set,
    // also while it waits for an LDAC.
    virtual int code(int channel) const = 0;
    // The code the channel's output holds (its DAC register), as its reading
    // shows it: 0 while CLR holds the outputs.
    virtual int shownCode(int channel) const = 0;
    // The code nearest to `volts` in the range in force, or -1 outside it.
    virtual int codeForVolts(double volts) const = 0;
    // Volts as the readings show them, without the "V": of a code in the
    // range in force, and the channel's reading.
    virtual std::string voltsForCode(int code) const = 0;
    virtual std::string shownVolts(int channel) const = 0;
    virtual void pulseLdac() = 0;
    virtual void setLdac(bool high) = 0;
    virtual bool ldacHigh() const = 0;
    virtual void pulseClr() = 0;
    virtual void setClr(bool high) = 0;
    virtual void setRange(int volts) = 0;
    virtual int range() const = 0;
    virtual void setPower(int channel, bool up) = 0;
    virtual bool powered(int channel) const = 0;
    virtual void setThreeState(bool on) = 0;
    virtual bool threeState() const = 0;
    // The serial word's echo, e.g. "0x2800"; empty before the first.
    virtual std::string serialWord() const = 0;
    // `<lastStatus>,"<board status>"`.
    virtual std::string boardStatus() const = 0;
    virtual bool boardReady() const = 0;
    virtual void reload() = 0;
    // A channel's output limit in volts, negative for none.
    virtual void setLimit(int channel, double volts) = 0;
    virtual double limit(int channel) const = 0;
    // An output at the caution threshold or above (the caution label).
    virtual bool cautionShown() const = 0;
};

#endif
