// The converter's serial word: register addresses and the routine that sends
// one word to the board and echoes it in hexadecimal.
#ifndef DECLARE_H
#define DECLARE_H

#include "RegisterMap.h"
#include "SafeSequence.h"

#include <QString>
#include <cstdint>

namespace Declare {

// The hexadecimal echo of a word: "0x", upper-case digits, at least four.
QString SerialWordEcho(std::int32_t word);

// Sends bits 0-15 of `word` as the value and bits 16-23 as the index of
// request 221 and records the status; then, whatever the status, the link
// tells its listeners the word (BoardLink::serialWordWritten), which the
// main window echoes.
void WriteSerialWord(std::int32_t word);

} // namespace Declare

#endif
