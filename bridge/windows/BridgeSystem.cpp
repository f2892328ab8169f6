// The bridge on Windows: the library through LoadLibraryA, the folder named
// in the system's ANSI code page; standard input blocking, in binary mode.
#include "bridge/BridgeSystem.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace BridgeSystem {

const std::vector<std::string> BesideNames = {"BoardPort.dll"};
const char* const SystemName = "BoardPort.dll";
const char Separator = '\\';

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    const std::size_t cut = s.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : s.substr(0, cut);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void* OpenLibrary(const std::string& file, std::string& error) {
    HMODULE handle = LoadLibraryA(file.c_str());
    if (!handle)
        error = file + ": error " + std::to_string(GetLastError());
    return static_cast<void*>(handle);
}

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

int ClaimOutput() {
    _setmode(0, _O_BINARY);
    const int out = _dup(1);
    _setmode(out, _O_BINARY);
    _dup2(2, 1);
    // Ctrl+C in the panel's console is the panel's to handle.
    SetConsoleCtrlHandler(nullptr, TRUE);
    return out;
}

long ReadSome(unsigned char* data, std::size_t size) {
    return _read(0, data, static_cast<unsigned>(size));
}

long WriteSome(int fd, const unsigned char* data, std::size_t size) {
    return _write(fd, data, static_cast<unsigned>(size));
}

// A read waits by itself.
void WaitForInput() {}

} // namespace BridgeSystem
