// The status line under the form, outside its client area: the board's
// status, the LDAC and CLR lines, the range, the remote clients while remote
// control is on, a note after a reload, and a journal that is not written.
// The bar's own message, with no widgets in it but the high-voltage note
// while an output is at 50 V or more: the window grows by one line of text. Its text follows just
// after the bar's first paint, so the window shows no later for it.
#ifndef STATUSLINE_H
#define STATUSLINE_H

#include <QStatusBar>

class QLabel;
#include <QString>

class PanelModel;

class StatusLine : public QStatusBar {
    Q_OBJECT
public:
    StatusLine(const PanelModel& model, QWidget* parent);

protected:
    bool event(QEvent* event) override;

private:
    void follow();
    void showHighVoltage();

    const PanelModel& model_;
    QString reloaded_;        // "Board reloaded 14:02:11" once a reload ran
    qint64 journalShown_ = 0; // the journal failure shown, 0 for none
    bool painted_ = false;
    // While any output is at 50 V or more: which, in the caution label's
    // colours, at the bar's right.
    QLabel* highVoltage_ = nullptr;
};

#endif
