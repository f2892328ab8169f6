// The status line under the form, outside its client area: the board's
// status, the LDAC and CLR lines, the range, the remote clients while remote
// control is on, and a note after a reload. One label, so the window grows by
// one line of text and start-up by little.
#ifndef STATUSLINE_H
#define STATUSLINE_H

#include <QLabel>
#include <QString>

class PanelModel;

class StatusLine : public QLabel {
    Q_OBJECT
public:
    StatusLine(const PanelModel& model, QWidget* parent);

private:
    void follow();

    const PanelModel& model_;
    QString reloaded_; // "Board reloaded 14:02:11" once a reload ran
};

#endif
