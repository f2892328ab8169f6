// Shared by the linearity suite's files: the suite, the modelled converter
// and the figures its definitions give, worked out plainly.
#ifndef LINEARITYCASE_H
#define LINEARITYCASE_H

#include "PanelHarness.h"
#include "measure/LinearityRun.h"
#include "model/PanelModel.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace LinearityCase {

constexpr double Lsb = 30.0 / 4096;

// What BOARDPORT_ERRORS says the output is at `code` (30 V range).
double modelled(int code, double gain, double offsetMv, double bow, int stepCode, double stepLsb);

// The figures as the definitions give them.
struct Expected {
    double gain, offset, endpoint, bestFit, dnlMin, dnlMax;
};
Expected expectedFor(const std::vector<double>& v);

} // namespace LinearityCase

class TestLinearity : public QObject, Harness::PanelFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void figures_data();
    void figures();
    void limitEndsRun();
    void endings_data();
    void endings();
    void refusals_data();
    void refusals();
    void remoteRun();
    void exitDuringRun();
    void window();

private:
    // A panel (quad part) with channel 1 powered up at code 1234, and a run.
    void startPanel(const char* errors);
    void startDmm(const QStringList& extra = {});
    void waitForEnd();
    PanelModel& model() { return Harness::model(); }

    QTemporaryDir dir_;
    QProcess dmm_;
    std::unique_ptr<LinearityRun> run_;
};

#endif
