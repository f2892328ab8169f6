// Shared by the panel's suites: the simulated board's inspection functions,
// resolved from the same library the panel loads, and a dialog answerer that
// stands in for the person at the bench.
#ifndef PANELHARNESS_H
#define PANELHARNESS_H

#include "panel/FindControl.h"
#include "panel/FormLayout.h"
#include "simboard/simboard.h"

#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class BoardLink;
class PanelModel;
class QV7310;
class Session;

namespace SimboardClient {
struct Functions;
}

namespace Harness {

// The objects main() builds, built once for the suite's process, as a panel
// process has them: the board link, the panel model over it and the session
// that every window of the suite is handed.
BoardLink& link();
PanelModel& model();
Session& session();

// The simulated board, reached through the library the panel itself loads
// (beside the test executable).
class SimBoard {
public:
    static SimBoard& get();
    void reset() const;
    int callCount() const;
    SimCall call(int i) const;
    std::vector<SimCall> callsSince(int mark) const;
    SimState state() const;
    void failAfter(int calls, int status) const;
    void clearFaults() const;
    void unplug() const;
    void replug() const;

private:
    SimBoard();
    const SimboardClient::Functions& fn_;
};

// Calls as compact text: "221:0x2800" for a serial word, "224" for a plain
// request, "load" for a firmware download.
QString describe(const SimCall& call);
QStringList describe(const std::vector<SimCall>& calls);

// One dialog the panel showed: its kind and what it said.
struct ShownDialog {
    QString className; // "frmPartSelect", "QMessageBox", "created"
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers every dialog the panel shows while it lives, records it, and
// restores the real dialogs when it goes. The part dialog is answered with
// `partButton` (0 "QV7301", 1 "QV7310", -1 closes it without a choice);
// message boxes with OK.
class DialogAnswerer {
public:
    explicit DialogAnswerer(int partButton = 1);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    std::vector<ShownDialog> shown;
    int partButton;
    // Runs for each dialog before it is answered (may inspect it).
    std::function<void(QDialog&)> onShow;
    // Message boxes of one kind ("QMessageBox") that were shown.
    int count(const QString& className) const;
};

// A fresh panel state, a reset board and a main window through Form_Load
// (the part dialog answered by the DialogAnswerer that must exist), shown and
// exposed. Unless `keepReset`, "Exit without reseting DACs" is chosen from
// the File menu, so closing the window does not add requests a test did not
// ask for.
std::unique_ptr<QV7310> startPanel(bool keepReset = false);

// For a suite that starts a panel per test: the window and the answerer of
// its dialogs, started by start() and ended by stop() (in its cleanup).
class PanelFixture {
protected:
    PanelFixture();
    ~PanelFixture();
    // A new panel for `partButton` (0 "QV7301", 1 "QV7310"), after the one
    // started before has ended.
    void start(int partButton);
    // The window goes before the answerer of its dialogs.
    void stop();

    std::unique_ptr<DialogAnswerer> answers_;
    std::unique_ptr<QV7310> window_;
};

// The board bridge this process (or the process `parent`) started (the
// native qv7310-board-bridge beside the suite), or 0 when none runs.
qint64 bridgeProcess(qint64 parent = 0);

// What is wrong with the place of the shown `window`: nothing when its frame,
// margins included, is centred on its screen, top := (screen height - frame
// height) / 2 and left likewise. Offscreen, a shown window has a frame.
QString centringFault(const QWidget& window);

// The control of `window` with the objectName `name` ("SSTab1", "mnuExit"),
// or `name(index)` for a member of a control array ("cmdWrite(2)"), found as
// tools find it. A missing one, or one of another type, ends the run.
template <typename T> T* control(const QObject& window, const char* name, int index = -1) {
    return FindControl<T>(window, FormLayout::ControlName(name, index));
}
// Members 0 to count - 1 of a control array, in index order.
template <typename T> QList<T*> controls(const QObject& window, const char* name, int count) {
    QList<T*> members;
    for (int i = 0; i < count; ++i)
        members << control<T>(window, name, i);
    return members;
}

} // namespace Harness

#endif
