#include "FirmwareFile.h"

#include "IntelHex.h"
#include "simboard.h"

#include <cstddef>
#include <cstdio>
#include <string>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace simboard {

namespace {

// A real image is tens of kilobytes; the cap keeps a wrong path (a huge file)
// from exhausting memory.
constexpr std::size_t kMaxImageBytes = 16u * 1024u * 1024u;

#if defined(_WIN32)
FILE* openRegularFile(const char* path) {
    return std::fopen(path, "rb");
}
#else
// Only a regular file is opened for reading: a FIFO without a writer would
// block the caller in open(), and a device may never end or may act on being
// opened. stat() keeps such paths from being opened at all; the non-blocking
// open and fstat() cover a path that is swapped for one in between.
FILE* openRegularFile(const char* path) {
    struct stat info;
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    FILE* f = nullptr;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
        f = ::fdopen(fd, "rb");
    }
    if (f == nullptr) {
        ::close(fd);
    }
    return f;
}
#endif

int readImage(const char* path, std::string& out) {
    FILE* f = openRegularFile(path);
    if (f == nullptr) {
        return SIM_FILE_UNREADABLE;
    }
    char chunk[16384];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (out.size() + n > kMaxImageBytes) {
            std::fclose(f);
            return SIM_MALFORMED_IMAGE;
        }
        out.append(chunk, n);
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? SIM_FILE_UNREADABLE : SIM_OK;
}

} // namespace

int readFirmwareFile(const char* path) {
    std::string image;
    const int status = readImage(path, image);
    if (status != SIM_OK) {
        return status;
    }
    if (checkIntelHex(reinterpret_cast<const unsigned char*>(image.data()), image.size()) != 0) {
        return SIM_MALFORMED_IMAGE;
    }
    return SIM_OK;
}

} // namespace simboard
