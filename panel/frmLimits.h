// "Limits": one field per channel of the part, in volts; empty for no limit.
#ifndef FRMLIMITS_H
#define FRMLIMITS_H

#include <QDialog>
#include <vector>

class QLabel;
class QLineEdit;

class frmLimits : public QDialog {
    Q_OBJECT
public:
    frmLimits(int channels, QWidget* parent = nullptr);
    // Volts, or a negative value for no limit.
    void setLimit(int channel, double volts);
    // The kept limit's text could not be read: the field shows the 0 V the
    // channel is held at, and says why.
    void markUnreadable(int channel, const QString& kept);
    double limit(int channel) const;
    // Whether the field was edited since setLimit: untouched fields set
    // nothing (a limit of this run only is not kept by an OK).
    bool changed(int channel) const;
    // The field of a channel, "txtLimit(1)" and on.
    QLineEdit* field(int channel) const { return fields_[std::size_t(channel - 1)]; }

private:
    std::vector<QLineEdit*> fields_;
    std::vector<QLabel*> captions_;
    std::vector<QString> shown_;
};

#endif
