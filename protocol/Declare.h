// The converter's serial word: register addresses and the routine that sends
// one word to the board and echoes it in hexadecimal.
#ifndef DECLARE_H
#define DECLARE_H

#include <QString>
#include <cstdint>
#include <functional>

namespace Declare {

// Address field of a serial word, already shifted into bits 12 to 14.
namespace RegisterAddress {
constexpr std::int32_t Dac1 = 0x1000;
constexpr std::int32_t Dac2 = 0x2000;
constexpr std::int32_t Dac3 = 0x3000;
constexpr std::int32_t Dac4 = 0x4000;
constexpr std::int32_t AllDacs = 0x5000;
constexpr std::int32_t Control = 0x7000;
} // namespace RegisterAddress

// The hexadecimal echo of a word: "0x", upper-case digits, at least four.
QString SerialWordEcho(std::int32_t word);

// Receives the echo after each word; the main window registers itself here,
// which keeps this layer free of any window code.
using EchoSink = std::function<void(const QString&)>;
void SetSerialWordEchoSink(EchoSink sink);

// Sends bits 0-15 of `word` as the value and bits 16-23 as the index of
// request 221, records the status and delivers the echo, whatever the status.
void WriteSerialWord(std::int32_t word);

} // namespace Declare

#endif
