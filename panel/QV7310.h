// The main window: the panel's only working window and its handlers. Its
// member functions live in one file per capability, and are declared below
// under the file that defines them.
#ifndef QV7310_H
#define QV7310_H

#include "ControlArrays.h"
#include "FindControl.h"
#include "OutputLimits.h"

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>

class BoardStatus;
class ControlIndex;
class EntryGuard;
class LineControl;
class OptionButton;
class PictureBox;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TabbedSheet;

class QV7310 : public QMainWindow, public DeferredControls {
    Q_OBJECT
public:
    // QV7310.cpp: start-up, exit and the File menu.
    explicit QV7310(QWidget* parent = nullptr);
    ~QV7310() override;
    // Start-up: part dialog, centring, firmware download, initial state,
    // adaptation to the chosen part, "Control Register" in front.
    void Form_Load();
    // Safe-state sequence when resetOnExit is set; runs at most once.
    void Form_Unload();
    // The exit's safe state was sent and a request of it failed: the outputs
    // may not be safe, and the program's exit status says so.
    bool safeStateFailed() const { return safeStateFailed_; }
    void LoadUSB();
    // The exit's safe-state sequence, whatever resetOnExit says; false when
    // a request of it failed.
    bool SafeState();
    void mnuReload_Click();
    void mnuExit_Click();
    void cmdDACoff_Click();
    void mnuDontRESET_Click();
    // The board's health from the statuses of its calls.
    BoardStatus* boardStatus() const { return boardStatus_; }

    // QV7310DataPage.cpp. The page behind, "Data Registers", is created after
    // the window's first paint, so the window shows sooner; and before that
    // whenever it is needed: before any input is handled, when its tab is
    // chosen or a screen reader asks for its controls, when a control is
    // looked up by name, and by every member below that reaches its
    // controls. Remote control calls it before each command line. Does
    // nothing once the page exists.
    void createDeferredControls() override;

    // QV7310Entry.cpp: code entry.
    void txtInput_KeyPress(int Index, int KeyAscii);
    void txtInput_LostFocus(int Index);

    // QV7310Writes.cpp: writes and voltages.
    void cmdWrite_Click(int Index);
    // What write button Index does once it has picked `code`: pendingCode,
    // registerAddress and dacCode, the refresh when LDAC is low, the word.
    void LoadCode(int Index, std::int32_t code);
    void CheckVoltage();
    void CLRcontrols();

    // Typed commands and queries: what the window's controls do, used by
    // their handlers and by remote control alike. Channels count from 1 to
    // channelCount(); the single part's one channel sits at position 2 of the
    // panel. An option button set here is selected as a click would select it.

    // QV7310Lines.cpp: CLR, LDAC and the range.
    void cmdCLR_Click(int Index);
    void cmdLDAC_Click(int Index);
    void optRANGE_Click(int Index);
    void pulseLdac();
    void setLdac(bool high);
    bool ldacHigh() const;
    void pulseClr();
    void setClr(bool high);
    // 30 or 60.
    void setRange(int volts);
    int range() const;

    // QV7310ControlRegister.cpp: the control register.
    void optPD1_Click(int Index);
    // The frame "DAC n" of the control register (the single part's is "DAC 1").
    void setChannelPower(int channel, bool up);
    bool channelPowered(int channel) const;
    // The power-down mode: three-state, or the resistor to GND.
    void setThreeState(bool on);
    bool threeState() const;

    // QV7310Credits.cpp: the version box and the credits.
    void mnuAbout_Click();
    void Picture2_Click();
    void Picture3_Click();
    void Picture4_Click();
    // How far the hidden click sequence has come (0, 1 or 2).
    std::int16_t creditsStep = 0;

    // PanelCommands.cpp: reset, and the typed commands of no single control.
    // SafeState, CLR high and the board's warning off, then the panel as
    // after start-up: codes 0, voltage labels cleared, lamps and caution
    // label hidden, "30V" and the control-register buttons selected and the
    // write buttons' tool tips as at start. The input boxes keep their texts
    // and selection.
    void ResetPanel();
    int channelCount() const;
    // As a write button with `code` picked; channel 0 is "Write to all DACs".
    void setCode(int channel, std::int32_t code);
    std::int32_t code(int channel) const;
    // The channel's reading as shown, e.g. "15.0000V".
    QString reading(int channel) const;
    void reload();
    // The serial word's echo, e.g. "0x2800"; empty before the first.
    QString serialWord() const;
    bool cautionShown() const;

    // QV7310Limits.cpp: the channels' output limits (OutputLimits).
    // "Limits..." in the Options menu: the dialog of the part's limits.
    void mnuLimits_Click();
    // Volts, or a negative value for off; kept for the next run of the part.
    // A limit below what the output holds already leaves the output, and
    // says so: the reading turns to the caution colour, and a line goes to
    // standard error.
    void setLimit(int channel, double volts);
    double limit(int channel) const;

signals:
    // The caution label was shown or hidden.
    void cautionChanged();
    // An action was refused by a channel's limit before anything was sent;
    // `detail` as remote control reports it: "above the DAC2 limit of 20 V".
    void limitRefused(const QString& detail);

protected:
    bool event(QEvent* event) override;                         // QV7310DataPage.cpp
    void closeEvent(QCloseEvent* event) override;               // QV7310.cpp
    bool eventFilter(QObject* watched, QEvent* event) override; // PanelCommands.cpp

private:
    // QV7310.cpp.
    void centreOnScreen();
    void showSerialWord(const QString& echo);
    // Sets resetOnExit and tells the board link, for a bridge to act on.
    void setResetOnExit(bool reset);
    // What the single part hides on the page behind, once both the part is
    // chosen and the page exists.
    void showPartOnDataPage();

    // QV7310Form.cpp: at construction, everything but the page behind.
    void createMenus();
    QAction* createMenuItem(QMenu* menu, const char* name, const QString& caption);
    void createForm();
    QWidget* createClientArea();
    void createSheet(QWidget* client);
    void bindControls(const ControlIndex& controls);
    void createPictures(const ControlIndex& controls);
    void createCreditsAreas(const ControlIndex& controls);
    void createAccessibleTexts();
    void connectMenus();
    void connectControls();

    // QV7310DataPage.cpp: the page behind, then the Tab order of both.
    // Until the page behind exists, the first input event creates it.
    void createDataPageBeforeInput();
    void createDataPage();
    void bindDataPage(const ControlIndex& controls);
    void createDataPagePictures();
    void createDataPageTexts();
    void connectDataPage();
    void setTabOrder();

    // QV7310Entry.cpp. Reads box Index; on a bad entry warns, empties the
    // box, gives it the focus back and returns false.
    bool acceptEntry(int Index);

    // QV7310ControlRegister.cpp.
    // Each channel's write button tells, in its tool tip, whether the
    // channel's frame has it powered up.
    void showChannelPower();
    // The control-register word from the option buttons, sent whole.
    void writeControlRegister();

    // PanelCommands.cpp: the panel position of channel 1 to channelCount().
    int slot(int channel) const;

    // QV7310Limits.cpp. A refusal, when there is one, is told (limitRefused)
    // and shown in a box; returns whether the action was refused.
    bool refuseOverLimit(const OutputLimits::Refusal& refusal);
    // The readings of outputs above their limits in the caution colour, and
    // "(limits on)" after the window's title while any limit is set.
    void showOverLimit();
    void showLimitsState();

    // QV7310Readings.cpp: what each reading says besides its number.
    void showReadingStates();

    // The controls the handlers use, by the form's names; arrays keep the
    // form's indexes. The objectNames are the same ("cmdWrite(2)"): tests and
    // tools find every control by them.
    // File menu and About menu.
    QAction* mnuReload = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuDash = nullptr;
    QAction* cmdDACoff = nullptr;
    QAction* mnuDontRESET = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuLimits = nullptr;
    TabbedSheet* SSTab1 = nullptr;
    // Entry, writes and voltages, lines, and the serial word's Label1(1) and
    // Label2(1) are on the "Data Registers" page, the page behind: null until
    // createDeferredControls. A member reaching them calls it first.
    // Entry.
    std::array<QLineEdit*, ControlArrays::InputRows> txtInput{};
    std::array<OptionButton*, ControlArrays::InputRows> InputSel{};
    // Writes and voltages.
    std::array<QPushButton*, ControlArrays::WriteButtons> cmdWrite{};
    std::array<PictureBox*, ControlArrays::Channels> HVLED{};
    PictureBox* Picture1 = nullptr; // the caution label
    std::array<QLabel*, ControlArrays::Channels> lblVoltage{};
    // Lines.
    std::array<QPushButton*, ControlArrays::LineButtons> cmdLDAC{};
    std::array<QPushButton*, ControlArrays::LineButtons> cmdCLR{};
    std::array<OptionButton*, ControlArrays::RangeButtons> optRANGE{};
    // Control register, on the "Control Register" page.
    std::array<OptionButton*, ControlArrays::PowerButtons> optPD1{};
    // Serial word, one box and caption on each page.
    std::array<QLabel*, ControlArrays::SerialWordLabels> Label1{};
    std::array<QLabel*, ControlArrays::SerialWordLabels> Label2{};
    // What the single part hides beyond its channels' buttons and labels:
    // bus lines and the other channels' frames.
    std::array<LineControl*, ControlArrays::BusLines> Line2{};
    LineControl* Line1 = nullptr;
    QGroupBox* Frame10 = nullptr;
    QGroupBox* Frame11 = nullptr;
    QGroupBox* Frame12 = nullptr;
    QGroupBox* Frame13 = nullptr;

    BoardStatus* boardStatus_ = nullptr;
    std::unique_ptr<EntryGuard> entryGuard_; // with the page behind
    bool unloaded_ = false;
    bool safeStateFailed_ = false;
    bool partChosen_ = false;
    bool dataPageCreated_ = false;
    bool dataPageQueued_ = false;
    QObject* beforeInput_ = nullptr; // creates the page behind at the first input
};

#endif
