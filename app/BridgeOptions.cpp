#include "BridgeOptions.h"

#include <QCommandLineParser>
#include <QLocale>
#include <QProcess>

bool ReadBridgeOptions(const QCommandLineParser& parser, CommandLine& options) {
    const QString command = parser.value(QStringLiteral("board-bridge"));
    options.bridgeCommand = QProcess::splitCommand(command);
    if (parser.isSet(QStringLiteral("board-bridge")) && options.bridgeCommand.isEmpty())
        options.problem = QStringLiteral("--board-bridge: no command given");
    if (!parser.isSet(QStringLiteral("board-timeout")))
        return options.problem.isEmpty();
    const QString value = parser.value(QStringLiteral("board-timeout"));
    bool ok = false;
    options.boardTimeout = QLocale::c().toDouble(value, &ok);
    options.boardTimeoutSet = true;
    if (!ok || !(options.boardTimeout >= 0.1 && options.boardTimeout <= 3600))
        options.problem = QStringLiteral("--board-timeout %1: not 0.1 to 3600 seconds").arg(value);
    return options.problem.isEmpty();
}
