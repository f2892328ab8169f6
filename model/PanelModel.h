// The panel model: the panel's state and its rules, in one object that the
// main window shows, and remote control and the Tango device (through
// Instrument) drive. It decides what each action sends to the board, and what
// the readings, lamps and caution label then show; `changed` tells the views.
// The state keeps the names of the panel's variables (partIsQuad, dacCode,
// ...). main() builds one over the board link and hands it to the window,
// remote control and the session.
#ifndef PANELMODEL_H
#define PANELMODEL_H

#include "ChannelSlots.h"
#include "Instrument.h"
#include "OutputLimits.h"
#include "RequestHistory.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class BoardLink;
class BoardStatus;

class PanelModel : public QObject, public Instrument {
    Q_OBJECT
public:
    explicit PanelModel(BoardLink& link, QObject* parent = nullptr);
    PanelModel(const PanelModel&) = delete;
    PanelModel& operator=(const PanelModel&) = delete;
    BoardLink& link() const { return link_; }

    // Everything back as before the main window loads, with a board status
    // of its own: as a new run of the program starts.
    void clear();

    // The part. Slots are the positions of the panel's channel arrays; the
    // single part's one channel sits at ChannelSlots::SinglePartSlot.
    void setPart(bool quad);
    bool partIsQuad() const { return partIsQuad_; }
    int slot(int channel) const;
    int channels() const override { return partIsQuad_ ? Converter::Channels : 1; }

    // A run begins: the board link opened, LDAC taken as high (the board
    // holds loaded codes until an LDAC) until the panel sets it.
    void begin();
    // The run ends: nothing reaches the board any more, even from code still
    // on the stack (a box that was open); a bridge is told goodbye.
    void end();
    // No code taken, no address, every channel's code 0.
    void clearCodes();

    // What runs between a failed download and the board's start: told the
    // download's status.
    using MissingBoard = std::function<void(std::int16_t status)>;
    // The board: the firmware download, whose status is negative when no
    // board was found (which `boardError` and `missing` also tell); then its
    // start (request 224).
    void loadBoard(const MissingBoard& missing = {});
    BoardStatus& board() const { return *boardStatus_; }
    // Every board call, named by the action and origin under way.
    RequestHistory& history() { return history_; }
    const RequestHistory& history() const { return history_; }
    bool boardReady() const override;
    std::string boardStatus() const override;
    // A download and start again; a board that answers again after a
    // failure starts over from the safe state, with the panel; then
    // `reloaded`.
    void reload() override { reload({}); }
    void reload(const MissingBoard& missing);

    // Remote clients connected, or -1 while remote control is off.
    void setRemoteClients(int count);
    int remoteClients() const { return remoteClients_; }

    // Codes. A write of `code` to a channel (1 to channels()), or to all of
    // them with AllChannels (the single part's one channel either way).
    static constexpr int AllChannels = 0;
    void setCode(int channel, int code) override;
    int code(int channel) const override;
    int shownCode(int channel) const override;
    std::int32_t dacCode(int slot) const { return dacCode_[std::size_t(slot)]; }
    std::int32_t outputCode(int slot) const { return outputCode_[std::size_t(slot)]; }
    std::int32_t pendingCode() const { return pendingCode_; }
    std::int32_t registerAddress() const { return registerAddress_; }
    // A code waits in its channel's input register for an LDAC.
    bool waiting(int slot) const { return dacCode(slot) != outputCode(slot); }

    // The readings, lamps and caution label, and the refresh behind them:
    // after it the readings follow the outputs and the board's own warning
    // lamp the caution label (one request, 230 or 231).
    void checkVoltage();
    // CLR low: the outputs and readings at 0, the lamps off; the caution
    // label stays as it was.
    void clearOutputs();
    QString reading(int slot) const;
    bool lampLit(int slot) const;
    bool cautionShown() const override { return caution_; }
    bool overLimit(int slot) const;

    // The lines and the range.
    void pulseLdac() override;
    void setLdac(bool high) override;
    bool ldacHigh() const override { return ldacIsHigh_; }
    bool ldacIsHigh() const { return ldacIsHigh_; }
    void pulseClr() override;
    void setClr(bool high) override;
    bool clrIsLow() const { return clrIsLow_; }
    void setRange(int volts) override;
    int range() const override { return rangeVolts_; }

    // The control register: its bits, sent whole on every change.
    void writeControlRegister(std::int32_t bits);
    // An option button of the control register page selected
    // (ControlRegister::Buttons): its bit set or cleared, the word sent.
    void selectControlButton(int button);
    std::int32_t controlBits() const { return controlBits_; }
    void setPower(int channel, bool up) override;
    bool powered(int channel) const override;
    // The frame behind a slot of the panel's channel arrays powers it up.
    bool slotPowered(int slot) const;
    void setThreeState(bool on) override;
    bool threeState() const override;

    // The last serial word's echo, "0x2800"; empty before the first.
    QString serialWordEcho() const { return serialWord_; }
    std::string serialWord() const override { return serialWord_.toStdString(); }

    // The exit choice: the safe state at exit, or the outputs left as they
    // are. The board link hears it too, for a bridge to act on.
    void setResetOnExit(bool reset);
    bool resetOnExit() const { return resetOnExit_; }
    // The exit's safe-state sequence; false when a request of it failed.
    bool safeState();
    // The safe state, CLR high and the board's warning off, then the state
    // as after start-up.
    void reset() override;

    // Output limits (OutputLimits). An action they refuse sends nothing and
    // changes nothing; lastRefusal() tells the last action's refusal.
    void setLimit(int channel, double volts) override;
    // A limit for this run only (the command line's), not kept.
    void setRunLimit(int channel, double volts);
    double limit(int channel) const override;
    const OutputLimits& limits() const { return limits_; }
    const OutputLimits::Refusal& lastRefusal() const { return refusal_; }

    // For remote control.
    std::string identity() const override;
    int codeForVolts(double volts) const override;
    std::string voltsForCode(int code) const override;
    std::string shownVolts(int channel) const override;

signals:
    // Anything the views show changed.
    void changed();
    // The caution label's state changed.
    void cautionChanged();
    // An action was refused by a limit; `detail` as remote control reports it.
    void limitRefused(const QString& detail);
    // A download found no board: "No Evaluation Board Found: -4".
    void boardError(const QString& detail);
    // A reload (Reload USB, a remote reload) ran.
    void reloaded();

private:
    // True (and told) when `refusal` refuses the action.
    bool refused(const OutputLimits::Refusal& refusal);
    // A channel's limit changed: an output already above it is said.
    void limitSet(int channel);
    // The codes loaded reach the outputs, unless CLR holds them at 0.
    void passWrittenCodes(int first, int last);
    void showSerialWord(std::int32_t word);

    bool partIsQuad_ = false;
    std::array<std::int32_t, Converter::Channels> dacCode_{};
    // What each channel's DAC register holds, as far as the panel knows: a
    // loaded code reaches it through LDAC, and CLR low holds it at 0.
    std::array<std::int32_t, Converter::Channels> outputCode_{};
    std::int32_t pendingCode_ = 0;     // code taken by the last write
    std::int32_t registerAddress_ = 0; // address field of the last word
    std::int32_t controlBits_ = 0;     // control-register bits last sent
    bool ldacIsHigh_ = false;
    bool clrIsLow_ = false;
    bool resetOnExit_ = false;
    int rangeVolts_;
    bool caution_ = false;
    int remoteClients_ = -1;
    QString serialWord_;
    BoardLink& link_;
    BoardStatus* boardStatus_ = nullptr;
    RequestHistory history_;
    OutputLimits limits_{*this};
    OutputLimits::Refusal refusal_;
};

#endif
