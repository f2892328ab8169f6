// "Select Part": asks which converter the board carries, and returns it.
#ifndef FRMPARTSELECT_H
#define FRMPARTSELECT_H

#include <QDialog>
#include <array>
#include <optional>

class QPushButton;

class frmPartSelect : public QDialog {
    Q_OBJECT
public:
    explicit frmPartSelect(QWidget* parent = nullptr);

    void cmdPartSelect_Click(int Index);
    // The part chosen, true for the quad part; none when the dialog was
    // closed without a choice.
    std::optional<bool> part() const { return part_; }

    std::array<QPushButton*, 2> cmdPartSelect{};

private:
    std::optional<bool> part_;
};

#endif
