// "Limits": one field per channel of the part, in volts; empty for no limit.
#ifndef FRMLIMITS_H
#define FRMLIMITS_H

#include <QDialog>
#include <vector>

class QLineEdit;

class frmLimits : public QDialog {
    Q_OBJECT
public:
    frmLimits(int channels, QWidget* parent = nullptr);
    // Volts, or a negative value for no limit.
    void setLimit(int channel, double volts);
    double limit(int channel) const;
    // The field of a channel, "txtLimit(1)" and on.
    QLineEdit* field(int channel) const { return fields_[std::size_t(channel - 1)]; }

private:
    std::vector<QLineEdit*> fields_;
};

#endif
