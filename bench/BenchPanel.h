// Shared by the command benchmarks: a panel started as a person would start
// it (part "QV7310"), and the simulated board reached through the same
// library the panel loaded.
#ifndef BENCHPANEL_H
#define BENCHPANEL_H

#include "simboard/SimboardClient.h"

#include <cstdint>
#include <memory>

class BoardLink;
class PanelModel;
class QV7310;
class Session;

namespace Bench {

// The objects main() builds, built once for the benchmark's process.
BoardLink& link();
PanelModel& model();
Session& session();

// The functions of the BoardPort library beside the executable.
const SimboardClient::Functions& board();

// Main window after Form_Load, shown and exposed, with the code in box 3
// ("600") selected for writes. Call after the QApplication exists.
std::unique_ptr<QV7310> startPanel();

// Empties the board's call log (it keeps at most 1,000,000 calls) and downloads
// the firmware again, as the reset also forgets it.
void freshBoard(QV7310& window);

// Which box the writes read, and what it holds.
constexpr int WriteRow = 3;
constexpr std::int32_t WriteWord = 0x2600; // "Load DAC2" of code 600

} // namespace Bench

#endif
