// The frames the panel and the board bridge exchange over the bridge's
// standard input and output. Plain C++17 without Qt: the bridge includes it
// too, and is built for 32-bit Windows as well as natively.
//
// Every frame has a fixed size given by its first byte, the kind. Integers
// are little-endian, whatever the machine.
//
// Bridge to panel, once, as soon as it runs:
//   hello            "QVB1"                                          4 bytes
// Panel to bridge:
//   'V' VendorIORequest  request i16, value i32, index i32, arg4 i16,
//                        arg5 i16, buffer byte                       16 bytes
//   'L' LoadFirmWare     the path: 513 bytes, NUL-terminated          514 bytes
//   'X' exit choice      1: safe state if the panel dies, 0: leave    2 bytes
//   'G' goodbye          the panel has exited in order; the bridge
//                        ends without touching the board              1 byte
// Bridge to panel, one per 'V' or 'L' frame, in order:
//   'R' result           status i16, buffer byte after the call       4 bytes
//
// 'X' and 'G' have no reply. Any other kind, a path without its terminator,
// an exit choice other than 0 or 1, or input that ends inside a frame is
// malformed: the bridge says so on standard error and ends, and the frame
// never reaches the library.
#ifndef BRIDGEFRAMES_H
#define BRIDGEFRAMES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace BridgeFrames {

constexpr char Hello[4] = {'Q', 'V', 'B', '1'};
constexpr std::size_t HelloSize = sizeof Hello;

constexpr char VendorKind = 'V';
constexpr char DownloadKind = 'L';
constexpr char ExitChoiceKind = 'X';
constexpr char GoodbyeKind = 'G';
constexpr char ResultKind = 'R';

constexpr std::size_t PathSize = 513;
constexpr std::size_t VendorSize = 16;
constexpr std::size_t DownloadSize = 1 + PathSize;
constexpr std::size_t ExitChoiceSize = 2;
constexpr std::size_t GoodbyeSize = 1;
constexpr std::size_t ResultSize = 4;
constexpr std::size_t LargestFrame = DownloadSize;

// The whole size of a frame of `kind`, or 0 for a kind no frame has.
constexpr std::size_t SizeOf(char kind) {
    switch (kind) {
    case VendorKind:
        return VendorSize;
    case DownloadKind:
        return DownloadSize;
    case ExitChoiceKind:
        return ExitChoiceSize;
    case GoodbyeKind:
        return GoodbyeSize;
    default:
        return 0;
    }
}

inline void Put16(unsigned char* at, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    at[0] = static_cast<unsigned char>(u & 0xFF);
    at[1] = static_cast<unsigned char>(u >> 8);
}

inline void Put32(unsigned char* at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>((u >> (8 * i)) & 0xFF);
}

inline std::int16_t Get16(const unsigned char* at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
}

inline std::int32_t Get32(const unsigned char* at) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

struct VendorCall {
    std::int16_t request = 0;
    std::int32_t value = 0;
    std::int32_t index = 0;
    std::int16_t arg4 = 0;
    std::int16_t arg5 = 0;
    unsigned char buffer = 0;
};

inline void EncodeVendor(const VendorCall& c, unsigned char* out) {
    out[0] = VendorKind;
    Put16(out + 1, c.request);
    Put32(out + 3, c.value);
    Put32(out + 7, c.index);
    Put16(out + 11, c.arg4);
    Put16(out + 13, c.arg5);
    out[15] = c.buffer;
}

inline VendorCall DecodeVendor(const unsigned char* in) {
    VendorCall c;
    c.request = Get16(in + 1);
    c.value = Get32(in + 3);
    c.index = Get32(in + 7);
    c.arg4 = Get16(in + 11);
    c.arg5 = Get16(in + 13);
    c.buffer = in[15];
    return c;
}

// A download frame holds the path and zeros after it; false when `path`
// with its terminator does not fit.
inline bool EncodeDownload(const char* path, unsigned char* out) {
    const std::size_t length = std::strlen(path);
    if (length >= PathSize)
        return false;
    std::memset(out, 0, DownloadSize);
    out[0] = DownloadKind;
    std::memcpy(out + 1, path, length);
    return true;
}

inline bool DownloadHasTerminator(const unsigned char* in) {
    return std::memchr(in + 1, 0, PathSize) != nullptr;
}

inline void EncodeResult(std::int16_t status, unsigned char buffer, unsigned char* out) {
    out[0] = ResultKind;
    Put16(out + 1, status);
    out[3] = buffer;
}

} // namespace BridgeFrames

#endif
