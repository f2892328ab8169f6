// The hidden credits dialog.
#ifndef CREATED_H
#define CREATED_H

#include <QDialog>

class QLabel;
class QPushButton;
class PictureBox;

class created : public QDialog {
    Q_OBJECT
public:
    explicit created(QWidget* parent = nullptr);

    void Command1_Click();

    QLabel* Label1 = nullptr;
    PictureBox* Picture1 = nullptr;
    QPushButton* Command1 = nullptr;
};

#endif
