// The converter's serial word: register addresses and the routine that sends
// one word to the board and echoes it in hexadecimal.
#ifndef DECLARE_H
#define DECLARE_H

#include "RegisterMap.h"
#include "SafeSequence.h"

#include <QString>
#include <cstdint>

class BoardLink;

namespace Declare {

// The hexadecimal echo of a word: "0x", upper-case digits, at least four.
QString SerialWordEcho(std::int32_t word);

// Sends bits 0-15 of `word` as the value and bits 16-23 as the index of
// request 221 through `link` and returns the status; whatever the status,
// the link then tells its listeners the word (BoardLink::serialWordWritten),
// which the panel model echoes.
std::int16_t WriteSerialWord(BoardLink& link, std::int32_t word);

} // namespace Declare

#endif
