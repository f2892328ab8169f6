// The bridge's library loader on POSIX systems: dlopen.
#include "bridge/BoardLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

namespace BridgeSystem {

const std::vector<std::string> BesideNames = {"libBoardPort.so", "BoardPort.so"};
const char* const SystemName = "libBoardPort.so";
const char Separator = '/';

std::string OwnFolder() {
    std::vector<char> path(4096);
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    std::string s = n > 0 ? std::string(path.data(), static_cast<std::size_t>(n)) : ".";
    const std::size_t cut = s.find_last_of('/');
    return cut == std::string::npos ? std::string(".") : s.substr(0, cut);
}

bool FileExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

void* OpenLibrary(const std::string& file, std::string& error) {
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        error = ::dlerror();
    return handle;
}

void* FindSymbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

} // namespace BridgeSystem
