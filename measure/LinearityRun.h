// A linearity run: sweeps a channel's codes through the panel model (so the
// limits rule, the history and the readings see each write as any other),
// reads each output with a SCPI multimeter, and works out the figures. Qt Core
// only; the window and remote control drive and show it.
#ifndef LINEARITYRUN_H
#define LINEARITYRUN_H

#include "DmmLink.h"
#include "LinearityControl.h"
#include "LinearityMath.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

class PanelModel;
class Session;

class LinearityRun : public QObject, public Linearity::Control {
    Q_OBJECT
public:
    LinearityRun(PanelModel& model, Session& session, QObject* parent = nullptr);
    ~LinearityRun() override;

    Linearity::Settings& settings() override { return settings_; }
    std::string start() override;
    void abort() override;
    Linearity::State state() const override { return state_; }
    int pointsDone() const override { return int(means_.size()); }
    int pointsTotal() const override { return total_; }
    std::string resultText() const override;
    std::string dataText() const override;

    // Ends a run at once, leaving the outputs as they are (the exit or a
    // reset takes them); `why` is told as the reason.
    void endWithoutRestore(const QString& why);
    void endAtOnce(const std::string& why) override {
        endWithoutRestore(QString::fromStdString(why));
    }

    // Of the last run: why it ended (empty for a full run), the multimeter's
    // *IDN? reply, each code's readings, the figures, the range and when.
    const QString& reason() const { return reason_; }
    const QString& identity() const { return identity_; }
    const Linearity::Settings& ranWith() const { return ran_; }
    const std::vector<double>& means() const { return means_; }
    const std::vector<std::vector<double>>& readings() const { return readings_; }
    const Linearity::Figures& figures() const { return figures_; }
    int rangeVolts() const { return range_; }
    QDateTime startedAt() const { return startedAt_; }
    // Seconds left at the pace so far; negative before the first point.
    double secondsLeft() const;

signals:
    void stateChanged();
    void progress(int done, int total);

private:
    QString refusal() const;
    void opened();
    void replied(const QByteArray& line);
    void nextPoint();
    void read();
    void finish(Linearity::State state, const QString& why);
    void restore();

    enum class Step { Identity, SetupError, Reading };

    PanelModel& model_;
    DmmLink link_;
    QTimer settle_;
    Linearity::Settings settings_;
    Linearity::Settings ran_;
    Linearity::State state_ = Linearity::State::Idle;
    Step step_ = Step::Identity;
    int code_ = 0; // the code now measured
    int restoreCode_ = 0;
    int total_ = 0;
    int range_ = 30;
    std::vector<double> taken_; // this code's readings so far
    std::vector<double> means_;
    std::vector<std::vector<double>> readings_;
    Linearity::Figures figures_;
    QString reason_;
    QString identity_;
    QDateTime startedAt_;
    QElapsedTimer clock_;
};

#endif
