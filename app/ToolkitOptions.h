// Qt's own command-line options ("-platform offscreen", "-style fusion"),
// as Qt itself reads them: the panel keeps no list of them. Neither needs a
// display.
#ifndef TOOLKITOPTIONS_H
#define TOOLKITOPTIONS_H

#include <QStringList>

class QCommandLineParser;

namespace ToolkitOptions {

// `arguments` without what Qt takes as its own options and their values.
QStringList Without(const QStringList& arguments);

// Prints the help of `parser` followed by Qt's own options, in Qt's words,
// and ends the process.
[[noreturn]] void PrintHelpAll(QCommandLineParser& parser, const QString& program);

} // namespace ToolkitOptions

#endif
