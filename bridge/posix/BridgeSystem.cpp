// The bridge on POSIX systems: the library through dlopen; standard input
// non-blocking, waited on with poll.
#include "bridge/BridgeSystem.h"

#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
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

int ClaimOutput() {
    const int out = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
    ::dup2(2, 1);
    for (int s : {SIGINT, SIGHUP, SIGQUIT, SIGTERM, SIGPIPE})
        std::signal(s, SIG_IGN);
    ::fcntl(0, F_SETFL, ::fcntl(0, F_GETFL) | O_NONBLOCK);
    return out;
}

long ReadSome(unsigned char* data, std::size_t size) {
    return static_cast<long>(::read(0, data, size));
}

long WriteSome(int fd, const unsigned char* data, std::size_t size) {
    return static_cast<long>(::write(fd, data, size));
}

void WaitForInput() {
    pollfd p{0, POLLIN, 0};
    ::poll(&p, 1, -1);
}

} // namespace BridgeSystem
