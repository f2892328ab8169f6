#include "CommandLine.h"

#include "panel/Converter.h"
#include "panel/PanelModel.h"
#include "panel/QV7310.h"
#include "remote/RemoteServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDialog>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <cstdio>
#include <optional>

namespace {

void say(const QString& line) {
    std::fprintf(stderr, "qv7310: %s\n", qPrintable(line));
}

QString endpoint(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

// "CH=VOLTS": CH 1 to 4 or all (0), VOLTS 0 to the largest range or off (-1).
std::optional<CommandLine::Limit> ParseLimit(const QString& value) {
    const QStringList parts = value.split(QLatin1Char('='));
    if (parts.size() != 2)
        return std::nullopt;
    const QString channel = parts[0].trimmed();
    bool ok = true;
    const int number =
        channel.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0 ? 0 : channel.toInt(&ok);
    if (!ok || number < 0 || number > 4)
        return std::nullopt;
    const QString volts = parts[1].trimmed();
    if (volts.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return CommandLine::Limit{number, -1.0};
    const double v = QLocale::c().toDouble(volts, &ok);
    if (!ok || !(v >= 0 && v <= Converter::HighRangeVolts))
        return std::nullopt;
    return CommandLine::Limit{number, v};
}

} // namespace

QStringList ArgumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's own options ("-platform offscreen") are read later by the toolkit;
    // here they are only let through.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Control panel for the QV7301/QV7310 high-voltage DAC evaluation board."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption part(
        QStringLiteral("part"),
        QStringLiteral("Take PART (QV7301 or QV7310) without asking in the part dialog."),
        QStringLiteral("PART"));
    const QCommandLineOption remote(
        QStringLiteral("remote"),
        QStringLiteral("Serve remote control (SCPI over TCP) on 127.0.0.1, port 5025."));
    const QCommandLineOption port(
        QStringLiteral("remote-port"),
        QStringLiteral("Serve remote control on port N instead, 0 for any free one (implies "
                       "--remote)."),
        QStringLiteral("N"));
    const QCommandLineOption address(
        QStringLiteral("remote-address"),
        QStringLiteral("Serve remote control on the IP address ADDR instead (implies --remote)."),
        QStringLiteral("ADDR"));
    const QCommandLineOption announce(
        QStringLiteral("announce"),
        QStringLiteral("Announce remote control on the network by DNS-SD as _scpi-raw._tcp "
                       "(implies --remote)."));
    const QCommandLineOption bridge(
        QStringLiteral("board-bridge"),
        QStringLiteral("Reach the board library through the board bridge started as COMMAND "
                       "(split like a shell's: \"wine qv7310-board-bridge.exe\"), which "
                       "puts the outputs into the safe state should the panel die."),
        QStringLiteral("COMMAND"));
    const QCommandLineOption limit(
        QStringLiteral("limit"),
        QStringLiteral("Set the output limit of DAC CH (1 to 4, or all) to VOLTS, or OFF; "
                       "repeatable, and kept for the next run of the part."),
        QStringLiteral("CH=VOLTS"));
    const QCommandLineOption idle(
        QStringLiteral("remote-idle"),
        QStringLiteral("Close a remote client that sends nothing for N seconds (default 600, 0 "
                       "for never), so an abandoned connection frees its place."),
        QStringLiteral("N"));
    parser.addOptions({part, remote, port, address, announce, bridge, limit, idle});
    struct QtOption {
        const char* name;
        bool takesValue;
    };
    static constexpr QtOption QtOptions[] = {
        {"platform", true},
        {"platformpluginpath", true},
        {"platformtheme", true},
        {"plugin", true},
        {"qwindowgeometry", true},
        {"qwindowicon", true},
        {"qwindowtitle", true},
        {"display", true},
        {"geometry", true},
        {"style", true},
        {"stylesheet", true},
        {"session", true},
        {"name", true},
        {"title", true},
        {"visual", true},
        {"reverse", false},
        {"widgetcount", false},
        {"nograb", false},
        {"dograb", false},
        {"sync", false},
        {"qmljsdebugger", true},
    };
    for (const QtOption& qt : QtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("VALUE"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine options;
    auto fail = [&options](const QString& message) {
        say(message);
        options.exitCode = 2;
        return options;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    // Read before the toolkit starts, so that no display is needed.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // The help text names the program through the application object;
        // a core one needs no display.
        static int argc = 1;
        static char name[] = "qv7310";
        static char* argv[] = {name, nullptr};
        std::optional<QCoreApplication> core;
        if (!QCoreApplication::instance())
            core.emplace(argc, argv);
        QString text = parser.helpText();
        if (parser.isSet(QStringLiteral("help-all"))) {
            text += QStringLiteral("\nQt's own options, read by the toolkit:\n ");
            for (const QtOption& qt : QtOptions)
                text += QStringLiteral(" -%1%2").arg(
                    QLatin1String(qt.name), qt.takesValue ? QStringLiteral(" VALUE") : QString());
            text += QLatin1Char('\n');
        }
        std::fputs(qPrintable(text), stdout);
        options.exitCode = 0;
        return options;
    }
    if (parser.isSet(version)) {
        std::printf("qv7310 %s\n", QV_PANEL_VERSION);
        options.exitCode = 0;
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"")
                        .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(part)) {
        const QString name = parser.value(part).toUpper();
        if (name == QLatin1String(Converter::SinglePart))
            options.quadPart = false;
        else if (name == QLatin1String(Converter::QuadPart))
            options.quadPart = true;
        else
            return fail(QStringLiteral("--part %1: unknown part (QV7301 or QV7310)")
                            .arg(parser.value(part)));
    }
    if (parser.isSet(bridge)) {
        options.bridgeCommand = QProcess::splitCommand(parser.value(bridge));
        if (options.bridgeCommand.isEmpty())
            return fail(QStringLiteral("--board-bridge: no command given"));
    }
    for (const QString& value : parser.values(limit)) {
        const std::optional<CommandLine::Limit> parsed = ParseLimit(value);
        if (!parsed)
            return fail(QStringLiteral("--limit %1: not CH=VOLTS (CH 1 to 4 or all, VOLTS 0 to "
                                       "%2 or off)")
                            .arg(value)
                            .arg(Converter::HighRangeVolts));
        options.limits.push_back(*parsed);
    }
    options.announce = parser.isSet(announce);
    options.remote =
        parser.isSet(remote) || parser.isSet(port) || parser.isSet(address) || options.announce;
    if (parser.isSet(port)) {
        bool ok = false;
        const uint number = parser.value(port).toUInt(&ok);
        if (!ok || number > 65535)
            return fail(QStringLiteral("--remote-port %1: not a port number (0 to 65535)")
                            .arg(parser.value(port)));
        options.port = static_cast<quint16>(number);
    }
    if (parser.isSet(idle)) {
        bool ok = false;
        const uint seconds = parser.value(idle).toUInt(&ok);
        if (!ok || seconds > 86400)
            return fail(QStringLiteral("--remote-idle %1: not a number of seconds (0 to 86400)")
                            .arg(parser.value(idle)));
        options.idleSeconds = int(seconds);
    }
    if (parser.isSet(address) && !options.address.setAddress(parser.value(address)))
        return fail(
            QStringLiteral("--remote-address %1: not an IP address").arg(parser.value(address)));
    return options;
}

StartupAnswers::StartupAnswers(const CommandLine& options) {
    if (!options.remote)
        return;
    installed_ = true;
    previous_ = DialogSeam::setHandler([this](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            say(QStringLiteral("%1 [%2]").arg(box->text(), box->windowTitle()));
            return int(QDialog::Accepted);
        }
        return previous_ ? previous_(dialog) : dialog.exec();
    });
}

StartupAnswers::~StartupAnswers() {
    if (installed_)
        DialogSeam::setHandler(std::move(previous_));
}

std::unique_ptr<RemoteServer> StartRemote(const CommandLine& options, QV7310& window) {
    const QString where = endpoint(options.address, options.port);
    if (!options.address.isLoopback())
        say(QStringLiteral("warning: remote control on %1 can be reached from other machines "
                           "and asks for no authentication")
                .arg(where));
    auto server = std::make_unique<RemoteServer>(&window);
    server->setIdleSeconds(options.idleSeconds);
    if (!server->listen(options.address, options.port)) {
        say(QStringLiteral("remote control not started: cannot listen on %1: %2")
                .arg(where, server->errorString()));
        return nullptr;
    }
    // Clients wait until the panel has started.
    server->hold(true);
    // Scripts read the port from here, --remote-port 0 included.
    std::printf("qv7310: remote control on %s\n",
                qPrintable(endpoint(options.address, server->port())));
    std::fflush(stdout);
    return server;
}

void ApplyLimits(const CommandLine& options, PanelModel& model) {
    for (const CommandLine::Limit& limit : options.limits) {
        if (limit.channel > model.channels()) {
            say(QStringLiteral("--limit %1: the part has no DAC%1").arg(limit.channel));
            continue;
        }
        const int first = limit.channel == 0 ? 1 : limit.channel;
        const int last = limit.channel == 0 ? model.channels() : limit.channel;
        for (int channel = first; channel <= last; ++channel)
            model.setLimit(channel, limit.volts);
    }
}
