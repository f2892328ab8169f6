// The status line under the form, outside its client area: the board's
// status, the LDAC and CLR lines, the range, the remote clients while remote
// control is on, and a note after a reload. The bar's own message, with no
// widgets in it: the window grows by one line of text. Its text follows just
// after the bar's first paint, so the window shows no later for it.
#ifndef STATUSLINE_H
#define STATUSLINE_H

#include <QStatusBar>
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

    const PanelModel& model_;
    QString reloaded_; // "Board reloaded 14:02:11" once a reload ran
    bool painted_ = false;
};

#endif
