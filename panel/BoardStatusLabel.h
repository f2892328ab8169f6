// The board's health in the menu bar's right corner, outside the form: a
// short text that screen readers read, red while the board fails.
#ifndef BOARDSTATUSLABEL_H
#define BOARDSTATUSLABEL_H

#include <QLabel>

class BoardStatus;

class BoardStatusLabel : public QLabel {
    Q_OBJECT
public:
    BoardStatusLabel(const BoardStatus& status, QWidget* parent);

private:
    void follow();

    const BoardStatus& status_;
};

#endif
