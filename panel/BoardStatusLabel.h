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
    // As wide as the longest text once the window has been drawn: the menu
    // bar would cut a longer text later.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void follow();
    // A new hint, and the menu bar told to place the label by it.
    void fitMenuBar();

    // Measured once per font and text: the menu bar asks for the size many
    // times while it lays out.
    mutable QSize hint_;
    bool drawn_ = false;
    const BoardStatus& status_;
};

#endif
