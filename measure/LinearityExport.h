// A run's result in files: the table as CSV, the summary as JSON, the plot as
// PNG. Each returns false, with the reason in `error`, when it cannot write.
#ifndef LINEARITYEXPORT_H
#define LINEARITYEXPORT_H

#include <QString>

class LinearityRun;
class QWidget;

namespace LinearityExport {

// code, mean volts, each reading, ideal volts, endpoint INL, best-fit INL, DNL.
bool WriteCsv(const LinearityRun& run, const QString& path, QString& error);
// The settings, the multimeter's *IDN? reply, the time and the figures.
bool WriteJson(const LinearityRun& run, const QString& path, QString& error);
bool WritePng(QWidget& plot, const QString& path, QString& error);
// The summary as the window shows it, one figure a line.
QString Summary(const LinearityRun& run);

} // namespace LinearityExport

#endif
