#include "CommandLine.h"
#include "BridgeOptions.h"
#include "ToolkitOptions.h"

#include "model/Converter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <cstdio>
#include <iterator>
#include <optional>

namespace {

// "CH=VOLTS": CH 1 to 4 or all (0), VOLTS 0 to the largest range or off (-1).
// A channel is digits naming 1 to 4: a sign, a fraction or zeros name none,
// since 0 stands for all of them.
std::optional<CommandLine::Limit> ParseLimit(const QString& value) {
    const QStringList parts = value.split(QLatin1Char('='));
    if (parts.size() != 2)
        return std::nullopt;
    const QString channel = parts[0].trimmed();
    int number = 0;
    if (channel.compare(QLatin1String("all"), Qt::CaseInsensitive) != 0) {
        for (const QChar c : channel)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        number = channel.isEmpty() ? 0 : channel.toInt();
        if (number < 1 || number > Converter::Channels)
            return std::nullopt;
    }
    bool ok = true;
    const QString volts = parts[1].trimmed();
    if (volts.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return CommandLine::Limit{number, -1.0};
    const double v = QLocale::c().toDouble(volts, &ok);
    if (!ok || !(v >= 0 && v <= Converter::HighRangeVolts))
        return std::nullopt;
    return CommandLine::Limit{number, v};
}

} // namespace

void Say(const QString& line) {
    std::fprintf(stderr, "qv7310: %s\n", qPrintable(line));
}

QString NoChannel(int channel) {
    return QStringLiteral("--limit %1: the part has no DAC%1").arg(channel);
}

QStringList ArgumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

namespace {

struct OptionSpec {
    const char* name;
    const char* valueName; // null: a switch
    const char* description;
};

const OptionSpec PanelOptions[] = {
    {"part", "PART", "Take PART (QV7301 or QV7310) without asking in the part dialog."},
    {"remote", nullptr, "Serve remote control (SCPI over TCP) on 127.0.0.1, port 5025."},
    {"remote-port", "N",
     "Serve remote control on port N instead, 0 for any free one (implies --remote)."},
    {"remote-address", "ADDR",
     "Serve remote control on the IP address ADDR instead (implies --remote)."},
    {"announce", nullptr,
     "Announce remote control on the network by DNS-SD as _scpi-raw._tcp (implies --remote)."},
    {"board-bridge", "COMMAND",
     "Reach the board library through the board bridge started as COMMAND (split like a "
     "shell's: \"wine qv7310-board-bridge.exe\"), which puts the outputs into the safe state "
     "should the panel die."},
    {"board-timeout", "SECONDS",
     "Take the board bridge for hung when a request gets no answer in SECONDS (default 5; a "
     "firmware download has six times as long): the bridge is ended, and \"Reload USB\" "
     "starts a new one."},
    {"limit", "CH=VOLTS",
     "Set the output limit of DAC CH (1 to 4, or all) to VOLTS, or OFF, for this run only; "
     "repeatable."},
    {"journal", "FILE",
     "Append every board request to FILE as it is sent, one JSON line each (time, action, "
     "origin, request, word, status), flushed at once."},
    {"remote-idle", "N",
     "Close a remote client that sends nothing for N seconds (default 600, 0 for never), so "
     "an abandoned connection frees its place."},
};

void addOptions(QCommandLineParser& parser, const OptionSpec* first, const OptionSpec* last) {
    for (const OptionSpec* row = first; row != last; ++row) {
        QCommandLineOption option(QString::fromLatin1(row->name),
                                  QString::fromLatin1(row->description));
        if (row->valueName)
            option.setValueName(QString::fromLatin1(row->valueName));
        parser.addOption(option);
    }
}

// Windows has no DNS-SD daemon of the kind the announcement speaks to.
#ifdef QV_NO_DNS_SD
constexpr bool CanAnnounce = false;
#else
constexpr bool CanAnnounce = true;
#endif

CommandLine fail(CommandLine& options, const QString& message) {
    Say(message);
    options.exitCode = 2;
    return options;
}

// --help, without a display.
void printHelp(const QCommandLineParser& parser) {
    // The help text names the program through the application object; a
    // core one needs no display.
    static int argc = 1;
    static char name[] = "qv7310";
    static char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> core;
    if (!QCoreApplication::instance())
        core.emplace(argc, argv);
    std::fputs(qPrintable(parser.helpText()), stdout);
}

// The panel's own options' values, once help and version are answered.
CommandLine readOptions(const QCommandLineParser& parser, CommandLine& options) {
    if (parser.isSet(QStringLiteral("part"))) {
        const QString name = parser.value(QStringLiteral("part")).toUpper();
        if (name == QLatin1String(Converter::SinglePart))
            options.quadPart = false;
        else if (name == QLatin1String(Converter::QuadPart))
            options.quadPart = true;
        else
            return fail(options, QStringLiteral("--part %1: unknown part (QV7301 or QV7310)")
                                     .arg(parser.value(QStringLiteral("part"))));
    }
    if (!ReadBridgeOptions(parser, options))
        return fail(options, options.problem);
    for (const QString& value : parser.values(QStringLiteral("limit"))) {
        const std::optional<CommandLine::Limit> parsed = ParseLimit(value);
        if (!parsed)
            return fail(options,
                        QStringLiteral("--limit %1: not CH=VOLTS (CH 1 to 4 or all, VOLTS 0 to "
                                       "%2 or off)")
                            .arg(value)
                            .arg(Converter::HighRangeVolts));
        // The part given here has its count of channels.
        if (options.quadPart && !*options.quadPart && parsed->channel > 1)
            return fail(options, NoChannel(parsed->channel));
        options.limits.push_back(*parsed);
    }
    options.journal = parser.value(QStringLiteral("journal"));
    if (parser.isSet(QStringLiteral("journal")) && options.journal.isEmpty())
        return fail(options, QStringLiteral("--journal: no file given"));
    options.announce = parser.isSet(QStringLiteral("announce"));
    if (options.announce && !CanAnnounce)
        return fail(options, QStringLiteral("--announce: not available on this system"));
    options.remote = parser.isSet(QStringLiteral("remote")) ||
                     parser.isSet(QStringLiteral("remote-port")) ||
                     parser.isSet(QStringLiteral("remote-address")) || options.announce;
    if (parser.isSet(QStringLiteral("remote-port"))) {
        bool ok = false;
        const uint number = parser.value(QStringLiteral("remote-port")).toUInt(&ok);
        if (!ok || number > 65535)
            return fail(options, QStringLiteral("--remote-port %1: not a port number (0 to 65535)")
                                     .arg(parser.value(QStringLiteral("remote-port"))));
        options.port = static_cast<quint16>(number);
    }
    if (parser.isSet(QStringLiteral("remote-idle"))) {
        bool ok = false;
        const uint seconds = parser.value(QStringLiteral("remote-idle")).toUInt(&ok);
        if (!ok || seconds > 86400)
            return fail(options,
                        QStringLiteral("--remote-idle %1: not a number of seconds (0 to 86400)")
                            .arg(parser.value(QStringLiteral("remote-idle"))));
        options.idleSeconds = int(seconds);
    }
    if (parser.isSet(QStringLiteral("remote-address")) &&
        !options.address.setAddress(parser.value(QStringLiteral("remote-address"))))
        return fail(options, QStringLiteral("--remote-address %1: not an IP address")
                                 .arg(parser.value(QStringLiteral("remote-address"))));
    return options;
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Control panel for the QV7301/QV7310 high-voltage DAC evaluation board."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    addOptions(parser, std::begin(PanelOptions), std::end(PanelOptions));
    CommandLine options;
    // What the panel does not know may be Qt's own: Qt itself takes that
    // away, and what is left is wrong.
    if ((!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) &&
        !parser.parse(ToolkitOptions::Without(arguments)))
        return fail(options, parser.errorText());
    // Read before the toolkit starts, so that no display is needed.
    if (parser.isSet(QStringLiteral("help-all")))
        ToolkitOptions::PrintHelpAll(parser, QStringLiteral("qv7310"));
    if (parser.isSet(help)) {
        printHelp(parser);
        options.exitCode = 0;
        return options;
    }
    if (parser.isSet(version)) {
        std::printf("qv7310 %s\n", QV_PANEL_VERSION);
        options.exitCode = 0;
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(options, QStringLiteral("unexpected argument \"%1\"")
                                 .arg(parser.positionalArguments().constFirst()));
    return readOptions(parser, options);
}
