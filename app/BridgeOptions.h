// The board bridge's options: the command that starts it and how long a call
// through it may take.
#ifndef BRIDGEOPTIONS_H
#define BRIDGEOPTIONS_H

#include "CommandLine.h"

class QCommandLineParser;

// --board-bridge and --board-timeout into `options`; false, with
// options.problem set, when they are wrong.
bool ReadBridgeOptions(const QCommandLineParser& parser, CommandLine& options);

#endif
