// The LINearity commands of remote control: the run's settings, its start
// and abort, its state and results; and the parameters only they take.
// Plain C++ without Qt.
#ifndef SCPILINEARITY_H
#define SCPILINEARITY_H

#include "ScpiCommands.h"

#include <string_view>

namespace Scpi {

// As ParseParameter, for every row: the Codes and Seconds settings too.
int ParseAnyParameter(const Row& row, std::string_view text, Command& command);

// A setting of `row` would change an output, which a run in progress refuses.
bool ChangesOutput(const Row& row);

namespace Lin {
void SetDmm(Context& c, const Command& m);
std::string Dmm(Context& c, const Command& m);
void SetSetup(Context& c, const Command& m);
std::string Setup(Context& c, const Command& m);
void SetQuery(Context& c, const Command& m);
std::string QueryText(Context& c, const Command& m);
void SetTimeout(Context& c, const Command& m);
std::string Timeout(Context& c, const Command& m);
void SetChannel(Context& c, const Command& m);
std::string Channel(Context& c, const Command& m);
void SetCodes(Context& c, const Command& m);
std::string Codes(Context& c, const Command& m);
void SetSettle(Context& c, const Command& m);
std::string Settle(Context& c, const Command& m);
void SetAverage(Context& c, const Command& m);
std::string Average(Context& c, const Command& m);
void Initiate(Context& c, const Command& m);
void Abort(Context& c, const Command& m);
std::string State(Context& c, const Command& m);
std::string Progress(Context& c, const Command& m);
std::string Result(Context& c, const Command& m);
std::string Data(Context& c, const Command& m);
} // namespace Lin

} // namespace Scpi

#endif
