#include "FirmwareFile.h"

#include "IntelHex.h"
#include "simboard.h"

#include <cstddef>
#include <cstdio>
#include <string>

namespace simboard {

namespace {

// A real image is tens of kilobytes; the cap keeps a wrong path (a device,
// a huge file) from exhausting memory.
constexpr std::size_t kMaxImageBytes = 16u * 1024u * 1024u;

int readImage(const char* path, std::string& out) {
    FILE* f = std::fopen(path, "rb");
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
    // A directory opens on some systems and only fails on read.
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
