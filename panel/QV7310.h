// The main window: a view of the panel model (PanelModel) and the handlers
// that turn a person's actions into model calls. Its member functions live in
// a few files that read as its parts, and are declared below under the file
// that defines them: start-up and exit (QV7310.cpp), the form and its pages
// (QV7310Form.cpp, QV7310DataPage.cpp), the handlers (QV7310Handlers.cpp)
// and the model shown (QV7310Show.cpp).
#ifndef QV7310_H
#define QV7310_H

#include "ControlArrays.h"
#include "FindControl.h"
#include "model/OutputLimits.h"

#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class BoardStatus;
class ControlIndex;
class EntryGuard;
class frmHistory;
class LineControl;
class OptionButton;
class PanelModel;
class PictureBox;
class Session;
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
    // QV7310.cpp: start-up, exit and the File menu. A view of the session's
    // model.
    explicit QV7310(Session& session, QWidget* parent = nullptr);
    ~QV7310() override;
    // The part to take at start-up without asking (the command line's
    // --part): true for the quad part.
    void presetPart(bool quad) { presetPart_ = quad; }
    // Start-up: part dialog, centring, the session's start (firmware
    // download, initial state), adaptation to the chosen part, "Control
    // Register" in front.
    void Form_Load();
    // The session's end: the safe-state sequence when resetOnExit is set;
    // runs at most once.
    void Form_Unload();
    // The firmware download and start, with a box when no board answers.
    void LoadUSB();
    // The board's health from the statuses of its calls (the model's).
    BoardStatus* boardStatus() const;

    // QV7310DataPage.cpp. The page behind, "Data Registers", is created after
    // the window's first paint, so the window shows sooner; and before that
    // whenever a person may reach it: before any input is handled, when its
    // tab is chosen or a screen reader asks for its controls, and when a
    // control is looked up by name. Does nothing once the page exists.
    void createDeferredControls() override;

    // QV7310Tools.cpp: "Linearity..." in the Tools menu (its window is the
    // measurement's own), and the write, line and register controls, which
    // are disabled while a linearity run drives the outputs.
    QAction* linearityAction() const { return mnuLinearity; }
    void setOutputControlsEnabled(bool enabled);

protected:
    bool event(QEvent* event) override;           // QV7310DataPage.cpp
    void closeEvent(QCloseEvent* event) override; // QV7310.cpp

private:
    // The handlers, named after control and event: the form connects them;
    // the suites, benchmarks and screenshots press them through
    // QV7310TestSeam.h.
    friend class QV7310TestSeam;

    // QV7310.cpp: the File menu.
    void mnuReload_Click();
    void mnuExit_Click();
    void cmdDACoff_Click();
    void mnuDontRESET_Click();

    // QV7310Handlers.cpp: the handlers. Code entry.
    void txtInput_KeyPress(int Index, int KeyAscii);
    void txtInput_LostFocus(int Index);

    // Writes.
    void cmdWrite_Click(int Index);

    // CLR, LDAC and the range.
    void cmdCLR_Click(int Index);
    void cmdLDAC_Click(int Index);
    void optRANGE_Click(int Index);

    // The control register's option buttons.
    void optPD1_Click(int Index);

    // The version box and the credits.
    void mnuAbout_Click();
    void Picture2_Click();
    void Picture3_Click();
    void Picture4_Click();
    // How far the hidden click sequence has come (0, 1 or 2).
    std::int16_t creditsStep = 0;

    // "Limits..." in the Options menu, the dialog of the part's limits.
    void mnuLimits_Click();

    // "History..." in the View menu, the window of every board request,
    // built when first opened.
    void mnuHistory_Click();

    // QV7310.cpp.
    void centreOnScreen();
    // The part dialog: the part chosen, if one was.
    void askPart();
    // The chosen part shown: the title, the single part's frames hidden.
    void showPart();
    // "No Evaluation Board Found", the session's missing board answered.
    void boardMissing(std::int16_t status);
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

    // QV7310Handlers.cpp. Reads box Index; on a bad entry warns, empties the
    // box, gives it the focus back and returns false.
    bool acceptEntry(int Index);

    // QV7310Show.cpp: the model shown, on every change it tells.
    void showModel();
    void showSerialWord();
    void showReadings();
    void showControlRegister();
    // Each channel's write button tells, in its tool tip, whether the
    // channel's frame has it powered up.
    void showChannelPower();

    // QV7310Show.cpp, the limits. The box of the model's last refusal, if there was
    // one; returns whether there was.
    bool showRefusal();
    // The readings of outputs above their limits in the caution colour, and
    // "(limits on)" after the window's title while any limit is set.
    void showOverLimit();
    void showLimitsState();

    // QV7310Show.cpp: what each reading says besides its number.
    void showReadingStates();
    // What a reading was last shown with, so that a change of the model that
    // leaves a channel as it was costs that channel nothing: every write
    // shows the model, and a palette or a description costs thousands of
    // instructions to set.
    struct ShownReading {
        bool valid = false;
        bool quad = false;
        bool powered = false;
        bool clrLow = false;
        bool waiting = false;
        std::int32_t code = 0;
        QString writeTip;
        bool operator==(const ShownReading& o) const {
            return valid == o.valid && quad == o.quad && powered == o.powered &&
                   clrLow == o.clrLow && waiting == o.waiting && code == o.code &&
                   writeTip == o.writeTip;
        }
    };
    std::array<ShownReading, ControlArrays::Channels> shownReading_{};
    // Whether each reading was last shown above its limit; none before the first.
    std::array<std::optional<bool>, ControlArrays::Channels> shownOverLimit_{};

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
    QAction* mnuHistory = nullptr;
    QAction* mnuLinearity = nullptr;
    TabbedSheet* SSTab1 = nullptr;
    // Entry, writes and voltages, lines, and the serial word's Label1(1) and
    // Label2(1) are on the "Data Registers" page, the page behind: null until
    // createDeferredControls, which shows the model on them.
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

    Session& session_;
    PanelModel& model_;
    std::optional<bool> presetPart_;
    std::unique_ptr<EntryGuard> entryGuard_; // with the page behind
    frmHistory* history_ = nullptr;          // once opened
    bool partChosen_ = false;
    bool dataPageCreated_ = false;
    bool dataPageQueued_ = false;
    bool outputControlsEnabled_ = true;
    QObject* beforeInput_ = nullptr; // creates the page behind at the first input
};

#endif
