// What the command line's options do to the panel's objects once they
// exist: the journal, the limits for this run, the start-up's boxes and the
// remote-control server.
#ifndef STARTOPTIONS_H
#define STARTOPTIONS_H

#include "CommandLine.h"
#include "panel/DialogSeam.h"

#include <memory>

class PanelModel;
class RemoteServer;
class Session;

// Opens the --journal file, if one is asked for, for every board request
// from now on; false, said in one line on stderr, when it cannot.
bool OpenJournal(const CommandLine& options, PanelModel& model);

// Sets the --limit options on the started panel, for this run only; a
// channel the part chosen in its dialog does not have is said on standard
// error and left alone.
void ApplyLimits(const CommandLine& options, PanelModel& model);

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
