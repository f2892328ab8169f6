#include "LinearityExport.h"

#include "LinearityRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QWidget>

namespace LinearityExport {

namespace {

QString number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

bool save(const QByteArray& bytes, const QString& path, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QJsonValue figure(double value) {
    return value >= Linearity::NotMeasured ? QJsonValue() : QJsonValue(value);
}

} // namespace

bool WriteCsv(const LinearityRun& run, const QString& path, QString& error) {
    const Linearity::Settings& s = run.ranWith();
    const Linearity::Figures& f = run.figures();
    QByteArray csv = "code,mean_V";
    for (int k = 1; k <= s.average; ++k)
        csv += ",reading" + QByteArray::number(k) + "_V";
    csv += ",ideal_V,inl_endpoint_LSB,inl_bestfit_LSB,dnl_LSB\n";
    const double lsb = run.rangeVolts() / 4096.0;
    for (std::size_t i = 0; i < run.means().size(); ++i) {
        const int code = s.first + int(i) * s.step;
        QStringList row{QString::number(code), number(run.means()[i], 7)};
        for (const double reading : run.readings()[i])
            row << number(reading, 7);
        row << number(code * lsb, 7);
        row << (i < f.endpointInl.size() ? number(f.endpointInl[i], 4) : QString());
        row << (i < f.bestFitInl.size() ? number(f.bestFitInl[i], 4) : QString());
        row << (f.dnlMeasured && i > 0 ? number(f.dnl[i - 1], 4) : QString());
        csv += row.join(QLatin1Char(',')).toLatin1() + '\n';
    }
    return save(csv, path, error);
}

bool WriteJson(const LinearityRun& run, const QString& path, QString& error) {
    const Linearity::Settings& s = run.ranWith();
    const Linearity::Figures& f = run.figures();
    const QJsonObject settings{{"multimeter", QString::fromStdString(s.dmm)},
                               {"setup", QString::fromStdString(s.setup)},
                               {"query", QString::fromStdString(s.query)},
                               {"channel", s.channel},
                               {"first", s.first},
                               {"last", s.last},
                               {"step", s.step},
                               {"settle_s", s.settleSeconds},
                               {"average", s.average},
                               {"range_V", run.rangeVolts()}};
    const QJsonObject figures{
        {"ideal_lsb_V", f.idealLsb},
        {"measured_lsb_V", f.measuredLsb},
        {"gain_error_percent", f.gainPercent},
        {"offset_error_V", f.offsetVolts},
        {"offset_error_LSB", f.offsetLsb},
        {"inl_endpoint_max_LSB", f.maxEndpointInl},
        {"inl_endpoint_max_code", f.maxEndpointInlCode},
        {"inl_bestfit_max_LSB", f.maxBestFitInl},
        {"inl_bestfit_max_code", f.maxBestFitInlCode},
        {"dnl_min_LSB", figure(f.dnlMin)},
        {"dnl_min_code", f.dnlMeasured ? QJsonValue(f.dnlMinCode) : QJsonValue()},
        {"dnl_max_LSB", figure(f.dnlMax)},
        {"dnl_max_code", f.dnlMeasured ? QJsonValue(f.dnlMaxCode) : QJsonValue()},
        {"monotonic", f.dnlMeasured ? QJsonValue(f.monotonic) : QJsonValue()}};
    const QJsonObject all{
        {"settings", settings},
        {"multimeter_idn", run.identity()},
        {"time", run.startedAt().toString(Qt::ISODate)},
        {"points", run.pointsDone()},
        {"ended", run.reason().isEmpty() ? QStringLiteral("complete") : run.reason()},
        {"figures", figures}};
    return save(QJsonDocument(all).toJson(), path, error);
}

bool WritePng(QWidget& plot, const QString& path, QString& error) {
    if (!plot.grab().save(path, "PNG")) {
        error = QStringLiteral("the picture could not be written");
        return false;
    }
    return true;
}

QString Summary(const LinearityRun& run) {
    const Linearity::Figures& f = run.figures();
    if (!f.valid)
        return QString();
    QStringList lines{QStringLiteral("Gain error: %1 %").arg(number(f.gainPercent, 4)),
                      QStringLiteral("Offset error: %1 mV (%2 LSB)")
                          .arg(number(f.offsetVolts * 1000, 3), number(f.offsetLsb, 3)),
                      QStringLiteral("INL endpoint: %1 LSB at code %2")
                          .arg(number(f.maxEndpointInl, 3))
                          .arg(f.maxEndpointInlCode),
                      QStringLiteral("INL best-fit: %1 LSB at code %2")
                          .arg(number(f.maxBestFitInl, 3))
                          .arg(f.maxBestFitInlCode)};
    if (f.dnlMeasured)
        lines << QStringLiteral("DNL lowest: %1 LSB at code %2")
                     .arg(number(f.dnlMin, 3))
                     .arg(f.dnlMinCode)
              << QStringLiteral("DNL highest: %1 LSB at code %2")
                     .arg(number(f.dnlMax, 3))
                     .arg(f.dnlMaxCode)
              << QStringLiteral("Monotonic: %1").arg(f.monotonic ? "yes" : "no");
    lines << QStringLiteral("Measured LSB: %1 mV (ideal %2 mV)")
                 .arg(number(f.measuredLsb * 1000, 4), number(f.idealLsb * 1000, 4));
    return lines.join(QLatin1Char('\n'));
}

} // namespace LinearityExport
