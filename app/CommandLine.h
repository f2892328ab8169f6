// The panel's command line: a part chosen in advance, and remote control.
// Without options the panel starts as it always has.
#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include "panel/DialogSeam.h"

#include <QHostAddress>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class PanelModel;
class RemoteServer;
class Session;

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

// Opens the --journal file, if one is asked for, for every board request
// from now on; false, said in one line on stderr, when it cannot.
bool OpenJournal(const CommandLine& options, PanelModel& model);

// Sets the --limit options on the started panel, for this run only; a
// channel the part chosen in its dialog does not have is said on standard
// error and left alone.
void ApplyLimits(const CommandLine& options, PanelModel& model);

// The program's arguments as given, before the toolkit has read its own.
QStringList ArgumentsOf(int argc, char* argv[]);

// Reads the arguments, printing help, the version or what is wrong with
// them. Qt's own options are let through for the toolkit: where there are
// options the panel does not know, Qt is asked which are its own. Call it
// before the application object exists; none of this needs a display.
CommandLine ParseCommandLine(const QStringList& arguments);

// While it lives, with remote control on, a start-up message box (the
// missing board) goes to stderr instead of the screen, since a script, or a
// panel without a display, has nobody to dismiss it. Nothing changes without
// the option.
class StartupAnswers {
public:
    explicit StartupAnswers(const CommandLine& options);
    ~StartupAnswers();
    StartupAnswers(const StartupAnswers&) = delete;
    StartupAnswers& operator=(const StartupAnswers&) = delete;

private:
    bool installed_ = false;
    DialogSeam::Handler previous_;
};

// The remote-control server the options ask for (remote must be set),
// listening but holding its clients until hold(false); prints
// "qv7310: remote control on ADDRESS:PORT" on stdout. Null when it cannot
// listen, said in one line on stderr.
std::unique_ptr<RemoteServer> StartRemote(const CommandLine& options, Session& session);

#endif
