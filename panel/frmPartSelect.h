// "Select Part": asks which converter the board carries.
#ifndef FRMPARTSELECT_H
#define FRMPARTSELECT_H

#include <QDialog>
#include <array>

class QPushButton;

class frmPartSelect : public QDialog {
    Q_OBJECT
public:
    explicit frmPartSelect(QWidget* parent = nullptr);

    void cmdPartSelect_Click(int Index);

    std::array<QPushButton*, 2> cmdPartSelect{};
};

#endif
