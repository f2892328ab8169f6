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
    // As wide as the longest text: the menu bar places its corner widget
    // by this size, and would cut a longer text later. Measured after the
    // first paint (its glyphs cost the start-up more than the rest of the
    // bar); until then as wide as its text, which lies where it will stay,
    // at the right.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void follow();

    // Measured once per font and text: the menu bar asks for the size many
    // times while it lays out.
    mutable QSize hint_;
    bool painted_ = false;
    const BoardStatus& status_;
};

#endif
