// The bridge's library loader on Windows: LoadLibraryA, the folder named in
// the system's ANSI code page.
#include "bridge/BoardLibrary.h"

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

} // namespace BridgeSystem
