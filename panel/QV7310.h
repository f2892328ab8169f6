// The main window: the panel's only working window and its handlers.
#ifndef QV7310_H
#define QV7310_H

#include "Controls.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <array>
#include <cstdint>

class BoardStatus;

class QV7310 : public QMainWindow {
    Q_OBJECT
public:
    explicit QV7310(QWidget* parent = nullptr);
    ~QV7310() override;

    // Start-up: part dialog, centring, firmware download, initial state,
    // adaptation to the chosen part, "Control Register" in front.
    void Form_Load();
    // Safe-state sequence when resetOnExit is set; runs at most once.
    void Form_Unload();

    void LoadUSB();
    void CheckVoltage();
    void CLRcontrols();

    // What write button Index does once it has picked `code`: pendingCode,
    // registerAddress and dacCode, the refresh when LDAC is low, the word.
    void LoadCode(int Index, std::int32_t code);
    // The exit's safe-state sequence, whatever resetOnExit says.
    void SafeState();
    // SafeState, then the panel as after start-up: codes 0, voltage labels
    // cleared, lamps and caution label hidden, "30V" and the control-register
    // buttons selected and the write buttons' tool tips as at start. The
    // input boxes keep their texts and selection.
    void ResetPanel();

    // Handlers, named after control and event.
    void mnuReload_Click();
    void mnuExit_Click();
    void cmdDACoff_Click();
    void mnuDontRESET_Click();
    void mnuAbout_Click();
    void txtInput_KeyPress(int Index, int KeyAscii);
    void txtInput_LostFocus(int Index);
    void cmdWrite_Click(int Index);
    void cmdCLR_Click(int Index);
    void cmdLDAC_Click(int Index);
    void optRANGE_Click(int Index);
    void optPD1_Click(int Index);
    void Picture2_Click();
    void Picture3_Click();
    void Picture4_Click();

    // Controls, by the form's names; arrays keep the form's indexes.
    QAction* mnuReload = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuDash = nullptr;
    QAction* cmdDACoff = nullptr;
    QAction* mnuDontRESET = nullptr;
    QAction* mnuAbout = nullptr;
    TabbedSheet* SSTab1 = nullptr;
    std::array<QLineEdit*, 10> txtInput{};
    std::array<OptionButton*, 10> InputSel{};
    std::array<QPushButton*, 5> cmdWrite{};
    std::array<PictureBox*, 4> HVLED{};
    std::array<QLabel*, 4> lblVoltage{};
    std::array<QPushButton*, 3> cmdLDAC{};
    std::array<QPushButton*, 3> cmdCLR{};
    std::array<OptionButton*, 2> optRANGE{};
    std::array<OptionButton*, 14> optPD1{};
    std::array<QLabel*, 2> Label1{};
    std::array<QLabel*, 2> Label2{};
    std::array<LineControl*, 16> Line2{};
    LineControl* Line1 = nullptr;
    LineControl* Line4 = nullptr;
    PictureBox* Picture1 = nullptr;
    PictureBox* Picture2 = nullptr;
    PictureBox* Picture3 = nullptr;
    PictureBox* Picture4 = nullptr;
    PictureBox* Picture5 = nullptr;
    PictureBox* Picture6 = nullptr;
    PictureBox* Picture7 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame8 = nullptr;
    QGroupBox* Frame9 = nullptr;
    QGroupBox* Frame10 = nullptr;
    QGroupBox* Frame11 = nullptr;
    QGroupBox* Frame12 = nullptr;
    QGroupBox* Frame13 = nullptr;
    QGroupBox* Frame14 = nullptr;
    QGroupBox* Frame15 = nullptr;
    QGroupBox* Frame16 = nullptr;
    QGroupBox* Frame17 = nullptr;
    QGroupBox* hvLEF = nullptr;
    QGroupBox* fraCLR = nullptr;

    // The board's health from the statuses of its calls.
    BoardStatus* boardStatus() const { return boardStatus_; }

    // How far the hidden click sequence has come (0, 1 or 2).
    std::int16_t creditsStep = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildForm();
    void setTabOrder();
    void connectHandlers();
    void centreOnScreen();
    void showSerialWord(const QString& echo);
    // Reads box Index; on a bad entry warns, empties the box, gives it the
    // focus back and returns false.
    bool acceptEntry(int Index);

    BoardStatus* boardStatus_ = nullptr;
    bool unloaded_ = false;
    bool validating_ = false;
    bool focusLeftByMouse_ = false;
    // The widget a mouse press was giving the focus to when a box refused
    // its entry: that press, and the click it starts, are dropped.
    QPointer<QWidget> droppedPressTarget_;
};

#endif
