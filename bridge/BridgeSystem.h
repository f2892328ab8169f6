// What the board bridge needs of the system, one file per system (posix/,
// windows/): the library's loader and standard input and output.
#ifndef BRIDGE_BRIDGESYSTEM_H
#define BRIDGE_BRIDGESYSTEM_H

#include <cstddef>
#include <string>
#include <vector>

namespace BridgeSystem {

// What the library's file is called in a folder, in the order tried, and the
// name given to the system's search.
extern const std::vector<std::string> BesideNames;
extern const char* const SystemName;
extern const char Separator;

// The folder the bridge's executable lies in.
std::string OwnFolder();
bool FileExists(const std::string& path);
// The library's handle, or null with `error` saying why.
void* OpenLibrary(const std::string& file, std::string& error);
void* FindSymbol(void* library, const char* name);

// Standard input and output as the frames travel: frames only on the output
// (the library's own printing goes to standard error instead), and the
// console's or terminal's signals left to the panel, since the bridge
// outlives the panel's orderly exit and ends when its input does. Returns
// the descriptor the frames go to, or -1.
int ClaimOutput();
// Bytes read into `data` (> 0), 0 at the end of input, or -1 with errno set
// (EAGAIN when nothing is there now, EINTR when interrupted).
long ReadSome(unsigned char* data, std::size_t size);
// Bytes written, or -1 with errno set.
long WriteSome(int fd, const unsigned char* data, std::size_t size);
// Sleeps until standard input has something (or at once, where reads wait
// by themselves).
void WaitForInput();

} // namespace BridgeSystem

#endif
