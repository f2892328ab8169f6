#ifndef OPTIONBUTTON_H
#define OPTIONBUTTON_H

#include <QRadioButton>

// An option button whose caption wraps inside its box, and which, like the
// option buttons of a group on a classic form, is reached by Tab only while
// it is the selected one of its group.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(const QString& text, QWidget* parent = nullptr);
    // The rectangle the caption is drawn in (word-wrapped).
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void followSelection(bool checked);
};

#endif
