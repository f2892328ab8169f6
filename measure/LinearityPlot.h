// The plot of a linearity run, drawn with QPainter: INL (endpoint and
// best-fit) and DNL against code with the +-1 LSB band, or the readings
// against the ideal line; axes with ticks and units, and a readout of the
// code and values under the cursor. Its own colours on white, so it reads
// the same under any desktop theme.
#ifndef LINEARITYPLOT_H
#define LINEARITYPLOT_H

#include <QWidget>
#include <vector>

class LinearityRun;

class LinearityPlot : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Nonlinearity, Readings };
    explicit LinearityPlot(Kind kind, QWidget* parent = nullptr);

    // Takes the figures and readings of the run's last result.
    void show(const LinearityRun& run);
    QSize sizeHint() const override { return {640, 360}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Series {
        std::vector<double> values; // one per code in `codes`, or per code after the first
        bool fromSecond = false;    // DNL: starts at the second code
        QColor colour;
        QString name;
    };
    QRectF area() const;
    void drawAxes(QPainter& p, const QRectF& a) const;
    void drawSeries(QPainter& p, const QRectF& a, const Series& s) const;
    void drawLegend(QPainter& p, const QRectF& a) const;
    void drawReadout(QPainter& p, const QRectF& a) const;
    QPointF at(const QRectF& a, double code, double value) const;

    Kind kind_;
    std::vector<int> codes_;
    std::vector<Series> series_;
    double yMin_ = -1.5, yMax_ = 1.5;
    int xMin_ = 0, xMax_ = 4095;
    int cursor_ = -1; // index into codes_, -1 when none
};

#endif
