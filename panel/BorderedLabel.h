#ifndef BORDEREDLABEL_H
#define BORDEREDLABEL_H

#include <QLabel>

// A label with a single grey border inside its rectangle, which shows on
// white as well as on grey, and `leftPadding` pixels more before its text.
class BorderedLabel : public QLabel {
    Q_OBJECT
public:
    BorderedLabel(const QString& text, int leftPadding, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

#endif
