// Binding to the board maker's BoardPort library: the request numbers the
// panel sends, the byte path the firmware loader takes, and the calls made
// through the board link that main() builds.
#ifndef USBSTUFF_H
#define USBSTUFF_H

#include "BoardLink.h"
#include "BoardPortAbi.h"

#include <QString>
#include <cstdint>

namespace USBStuff {

// Request numbers, first argument of VendorIORequest (BoardPortAbi.h).
namespace BoardRequest = BoardPortAbi::BoardRequest;

using BoardPortAbi::LibraryMissingStatus;
// Status of a download that was not attempted because the path does not fit.
constexpr std::int16_t PathUnusableStatus = -1001;
// Status of a call made after the link was closed; the library never sees it.
constexpr std::int16_t LinkClosedStatus = -1002;
// Status of a call through a board bridge that has ended (or could not
// start); the next download starts a new one.
constexpr std::int16_t BridgeEndedStatus = -1003;
// Status of a call when the board bridge could not be started at all.
constexpr std::int16_t BridgeNotStartedStatus = -1004;
// Status of a call through a board bridge that gave no answer within its
// deadline: the bridge was ended, and every call returns this without
// reaching the board until a download starts a new one.
constexpr std::int16_t BridgeTimedOutStatus = -1005;

constexpr int AnsiPathSize = BoardLink::AnsiPathSize;

// The two board functions, through `link`, which keeps each call's status
// (BoardLink::lastStatus).
std::int16_t LoadFirmWare(BoardLink& link, char* path);
std::int16_t VendorIORequest(BoardLink& link, std::int16_t request, std::int32_t value,
                             std::int32_t index, std::int16_t arg4, std::int16_t arg5,
                             char* buffer);

// The request number BoardLink::callReturned gives a firmware download.
constexpr std::int16_t DownloadCall = BoardLink::DownloadCall;

// Hands the firmware file beside the executable to LoadFirmWare: sets the
// link's firmwarePath, copies it into its ansiPath and returns the
// download's status. A path ansiPath cannot hold is never handed to the
// library: the status is then PathUnusableStatus, and one line on standard
// error says why.
std::int16_t DownloadFirmware(BoardLink& link);

// Sends a request without data: value 0, index 0, a zeroed one-byte buffer.
// Returns its status.
std::int16_t PlainRequest(BoardLink& link, std::int16_t request);

// Copies `path` into the link's ansiPath as the bytes the system names files
// with: on Windows the ANSI code page, one byte per character; elsewhere the
// operating system's own file-name encoding (UTF-8 on Linux). Returns false,
// and leaves ansiPath untouched, when the bytes and their terminator do not
// fit the buffer, or on Windows when a character has no single-byte code;
// bytes past the terminator keep what an earlier, longer path left there.
bool PathToAnsiBytes(BoardLink& link, const QString& path);

} // namespace USBStuff

#endif
