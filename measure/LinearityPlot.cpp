#include "LinearityPlot.h"

#include "LinearityRun.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// Round steps (1, 2 or 5 times a power of ten) giving about `count` ticks.
double tickStep(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

const QColor Ink(0x20, 0x20, 0x20);
const QColor Grid(0xE0, 0xE0, 0xE0);

} // namespace

LinearityPlot::LinearityPlot(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    setMouseTracking(true);
    setMinimumSize(420, 260);
    setObjectName(kind == Kind::Nonlinearity ? QStringLiteral("plotNonlinearity")
                                             : QStringLiteral("plotReadings"));
}

void LinearityPlot::show(const LinearityRun& run) {
    const Linearity::Settings& s = run.ranWith();
    const Linearity::Figures& f = run.figures();
    codes_.clear();
    series_.clear();
    for (std::size_t i = 0; i < run.means().size(); ++i)
        codes_.push_back(s.first + int(i) * s.step);
    xMin_ = codes_.empty() ? 0 : codes_.front();
    xMax_ = codes_.size() < 2 ? xMin_ + 1 : codes_.back();
    if (codes_.empty()) {
        update();
        return;
    }
    if (kind_ == Kind::Nonlinearity) {
        series_.push_back({f.endpointInl, false, QColor(0x1F, 0x5F, 0xBF), tr("INL endpoint")});
        series_.push_back({f.bestFitInl, false, QColor(0x2E, 0x8B, 0x2E), tr("INL best-fit")});
        if (f.dnlMeasured)
            series_.push_back({f.dnl, true, QColor(0xC0, 0x30, 0x30), tr("DNL")});
        double extent = 1.5;
        for (const Series& series : series_)
            for (const double v : series.values)
                extent = std::max(extent, std::fabs(v) * 1.1);
        yMin_ = -extent;
        yMax_ = extent;
    } else {
        const double lsb = run.rangeVolts() / 4096.0;
        std::vector<double> ideal;
        for (const int code : codes_)
            ideal.push_back(code * lsb);
        series_.push_back({ideal, false, QColor(0x90, 0x90, 0x90), tr("ideal")});
        series_.push_back({run.means(), false, QColor(0x1F, 0x5F, 0xBF), tr("measured")});
        yMin_ = std::min(0.0, *std::min_element(run.means().begin(), run.means().end()));
        yMax_ = std::max(double(run.rangeVolts()),
                         *std::max_element(run.means().begin(), run.means().end()));
    }
    update();
}

QRectF LinearityPlot::area() const {
    return QRectF(64, 28, std::max(10, width() - 64 - 16), std::max(10, height() - 28 - 44));
}

QPointF LinearityPlot::at(const QRectF& a, double code, double value) const {
    const double x = a.left() + (code - xMin_) / double(xMax_ - xMin_) * a.width();
    const double y = a.bottom() - (value - yMin_) / (yMax_ - yMin_) * a.height();
    return {x, y};
}

void LinearityPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF a = area();
    if (kind_ == Kind::Nonlinearity) {
        // The +-1 LSB band.
        p.fillRect(QRectF(at(a, xMin_, 1), at(a, xMax_, -1)), QColor(0xEE, 0xF4, 0xFF));
    }
    drawAxes(p, a);
    if (codes_.empty()) {
        p.setPen(Ink);
        p.drawText(a, Qt::AlignCenter, tr("No run yet"));
        return;
    }
    p.setClipRect(a.adjusted(-1, -1, 1, 1));
    for (const Series& s : series_)
        drawSeries(p, a, s);
    p.setClipping(false);
    drawLegend(p, a);
    drawReadout(p, a);
}

void LinearityPlot::drawAxes(QPainter& p, const QRectF& a) const {
    const QFontMetrics m(font());
    const double xStep = tickStep(xMax_ - xMin_, 8);
    const double yStep = tickStep(yMax_ - yMin_, 6);
    for (double x = std::ceil(xMin_ / xStep) * xStep; x <= xMax_ + 1e-9; x += xStep) {
        const QPointF t = at(a, x, yMin_);
        p.setPen(Grid);
        p.drawLine(QPointF(t.x(), a.top()), t);
        p.setPen(Ink);
        p.drawLine(t, t + QPointF(0, 4));
        const QString label = QString::number(x, 'g', 6);
        p.drawText(QPointF(t.x() - m.horizontalAdvance(label) / 2.0, t.y() + 6 + m.ascent()),
                   label);
    }
    for (double y = std::ceil(yMin_ / yStep) * yStep; y <= yMax_ + 1e-9; y += yStep) {
        const QPointF t = at(a, xMin_, y);
        p.setPen(Grid);
        p.drawLine(t, QPointF(a.right(), t.y()));
        p.setPen(Ink);
        p.drawLine(t, t - QPointF(4, 0));
        const QString label = QString::number(std::fabs(y) < yStep / 1e6 ? 0.0 : y, 'g', 4);
        p.drawText(QPointF(t.x() - 6 - m.horizontalAdvance(label), t.y() + m.ascent() / 2.5),
                   label);
    }
    p.setPen(Ink);
    p.drawRect(a);
    p.drawText(QRectF(a.left(), a.bottom() + 22, a.width(), 20), Qt::AlignHCenter, tr("code"));
    p.save();
    p.translate(14, a.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-a.height() / 2, -10, a.height(), 20), Qt::AlignCenter,
               kind_ == Kind::Nonlinearity ? tr("LSB") : tr("V"));
    p.restore();
}

void LinearityPlot::drawSeries(QPainter& p, const QRectF& a, const Series& s) const {
    QPainterPath path;
    const std::size_t offset = s.fromSecond ? 1 : 0;
    for (std::size_t i = 0; i < s.values.size() && i + offset < codes_.size(); ++i) {
        const QPointF point = at(a, codes_[i + offset], s.values[i]);
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    p.setPen(QPen(s.colour, 1.2));
    p.drawPath(path);
}

void LinearityPlot::drawLegend(QPainter& p, const QRectF& a) const {
    const QFontMetrics m(font());
    double x = a.left();
    for (const Series& s : series_) {
        p.setPen(QPen(s.colour, 2));
        p.drawLine(QPointF(x, 14), QPointF(x + 18, 14));
        p.setPen(Ink);
        p.drawText(QPointF(x + 22, 14 + m.ascent() / 2.5), s.name);
        x += 22 + m.horizontalAdvance(s.name) + 16;
    }
}

void LinearityPlot::drawReadout(QPainter& p, const QRectF& a) const {
    if (cursor_ < 0 || cursor_ >= int(codes_.size()))
        return;
    const int code = codes_[std::size_t(cursor_)];
    QString text = tr("code %1").arg(code);
    for (const Series& s : series_) {
        const int i = cursor_ - (s.fromSecond ? 1 : 0);
        if (i >= 0 && i < int(s.values.size()))
            text += QStringLiteral("   %1 %2")
                        .arg(s.name, QString::number(s.values[std::size_t(i)], 'f',
                                                     kind_ == Kind::Nonlinearity ? 3 : 6));
    }
    text += kind_ == Kind::Nonlinearity ? tr(" LSB") : tr(" V");
    p.setPen(QPen(Ink, 1, Qt::DashLine));
    const QPointF top = at(a, code, yMax_);
    p.drawLine(top, QPointF(top.x(), a.bottom()));
    const QFontMetrics m(font());
    const QRectF box(a.right() - m.horizontalAdvance(text) - 12, a.top() + 4,
                     m.horizontalAdvance(text) + 8, m.height() + 4);
    p.fillRect(box, QColor(255, 255, 255, 230));
    p.setPen(Ink);
    p.drawText(box, Qt::AlignCenter, text);
}

void LinearityPlot::mouseMoveEvent(QMouseEvent* event) {
    const QRectF a = area();
    if (codes_.empty() || !a.contains(event->position())) {
        leaveEvent(event);
        return;
    }
    const double code = xMin_ + (event->position().x() - a.left()) / a.width() * (xMax_ - xMin_);
    const auto it = std::lower_bound(codes_.begin(), codes_.end(), int(std::lround(code)));
    cursor_ = int(std::min<std::ptrdiff_t>(it - codes_.begin(), std::ptrdiff_t(codes_.size()) - 1));
    update();
}

void LinearityPlot::leaveEvent(QEvent*) {
    if (cursor_ >= 0) {
        cursor_ = -1;
        update();
    }
}
