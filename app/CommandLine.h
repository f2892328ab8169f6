// The panel's command line: a part chosen in advance, and remote control.
// Without options the panel starts as it always has.
#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QHostAddress>
#include <QStringList>
#include <optional>
#include <vector>

struct CommandLine {
    int exitCode = -1;            // 0 or more: end at once with it (help, version, a bad option)
    std::optional<bool> quadPart; // --part: true for the quad part; unset to ask
    bool remote = false;
    bool announce = false; // DNS-SD announcement of the server
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 5025;
    int idleSeconds = 600;     // --remote-idle
    QStringList bridgeCommand; // the board bridge's program and arguments, empty for none
    double boardTimeout = 5;   // --board-timeout: a bridged request's deadline, in seconds
    bool boardTimeoutSet = false;
    QString problem; // what is wrong with the options, while they are read
    struct Limit {
        int channel;  // 1 to 4, 0 for all
        double volts; // negative: off
    };
    std::vector<Limit> limits; // --limit, in order
    QString journal;           // --journal: the file, empty for none
};

// The program's arguments as given, before the toolkit has read its own.
QStringList ArgumentsOf(int argc, char* argv[]);

// Reads the arguments, printing help, the version or what is wrong with
// them. Qt's own options are let through for the toolkit: where there are
// options the panel does not know, Qt is asked which are its own. Call it
// before the application object exists; none of this needs a display.
CommandLine ParseCommandLine(const QStringList& arguments);

// One line on standard error: "qv7310: " and `line`.
void Say(const QString& line);

// What --limit says of a channel the part does not have.
QString NoChannel(int channel);

#endif
