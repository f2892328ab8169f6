// "Linearity..." in the Tools menu: the run's settings and the multimeter's
// address and commands (kept in the settings), Start, the progress with
// Cancel (Esc too), then the plots with the summary and the exports. Built
// when first opened.
#ifndef LINEARITYWINDOW_H
#define LINEARITYWINDOW_H

#include <QWidget>

class LinearityPlot;
class LinearityRun;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QV7310;

class LinearityWindow : public QWidget {
    Q_OBJECT
public:
    LinearityWindow(LinearityRun& run, QWidget* parent);

    // Starts a run with the settings shown; the refusal's reason, or empty.
    QString startRun();
    LinearityPlot& plot() const { return *plot_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* createSettings();
    QWidget* createResults();
    void load();
    void save();
    void showState();
    void showProgress(int done, int total);
    void exportTo(const QString& kind);

    LinearityRun& run_;
    QLineEdit* txtDmm_;
    QLineEdit* txtSetup_;
    QLineEdit* txtQuery_;
    QDoubleSpinBox* spnTimeout_;
    QSpinBox* spnChannel_;
    QSpinBox* spnFirst_;
    QSpinBox* spnLast_;
    QSpinBox* spnStep_;
    QDoubleSpinBox* spnSettle_;
    QSpinBox* spnAverage_;
    QPushButton* cmdStart_;
    QPushButton* cmdCancel_;
    QProgressBar* progress_;
    QLabel* lblProgress_;
    QLabel* lblSummary_;
    QTabWidget* tabs_;
    LinearityPlot* plot_;
    LinearityPlot* readingsPlot_;
    QList<QPushButton*> exports_;
};

// The Tools menu's "Linearity..." opens the window (built then), and while a
// run is on the main window's write, line and register controls are disabled.
void AttachLinearity(QV7310& window, LinearityRun& run);

#endif
