// The Intel HEX check, with the exported entry point that tests and the
// fuzzer call, kept apart so the fuzzer can build it on its own.
#include "IntelHex.h"

#include "simboard.h"

namespace simboard {

namespace {

// Reasons the check gives; only the sign matters to callers, the value helps
// when a fuzzer or a test reports a rejection.
constexpr int kHexEmpty = -1;
constexpr int kHexSyntax = -2;   // missing colon, non-hex digit, odd digit count, stray blank line
constexpr int kHexLength = -3;   // byte count disagrees with the record, or with its type
constexpr int kHexType = -4;     // record type above 05
constexpr int kHexChecksum = -5; // bytes do not sum to zero
constexpr int kHexAfterEof = -6; // a record follows the end-of-file record
constexpr int kHexMissingEof = -7;

int hexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Checks one record (the text between the colon and the line end).
int checkRecord(const unsigned char* digits, std::size_t digitCount, bool& isEof) {
    if (digitCount % 2 != 0) {
        return kHexSyntax;
    }
    for (std::size_t i = 0; i < digitCount; ++i) {
        if (hexDigit(digits[i]) < 0) {
            return kHexSyntax;
        }
    }
    // Count, two address bytes, type and checksum frame at most 255 data bytes.
    constexpr std::size_t kFrameBytes = 5;
    constexpr std::size_t kMaxRecordBytes = 255 + kFrameBytes;
    const std::size_t byteCount = digitCount / 2;
    if (byteCount < kFrameBytes || byteCount > kMaxRecordBytes) {
        return kHexLength;
    }
    unsigned char bytes[kMaxRecordBytes];
    unsigned sum = 0;
    for (std::size_t i = 0; i < byteCount; ++i) {
        const int v = hexDigit(digits[2 * i]) * 16 + hexDigit(digits[2 * i + 1]);
        bytes[i] = static_cast<unsigned char>(v);
        sum += static_cast<unsigned>(v);
    }
    const std::size_t dataLength = bytes[0];
    if (dataLength + kFrameBytes != byteCount) {
        return kHexLength;
    }
    const unsigned type = bytes[3];
    if (type > 5) {
        return kHexType;
    }
    // Address records carry a segment or upper half (2 bytes), start records
    // a 32-bit entry point (4 bytes), end-of-file nothing.
    static const int kTypeLength[6] = {-1, 0, 2, 4, 2, 4};
    if (kTypeLength[type] >= 0 && dataLength != static_cast<std::size_t>(kTypeLength[type])) {
        return kHexLength;
    }
    if ((sum & 0xFFu) != 0) {
        return kHexChecksum;
    }
    isEof = type == 1;
    return 0;
}

} // namespace

int checkIntelHex(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size == 0) {
        return kHexEmpty;
    }
    bool sawEof = false;
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t lineStart = pos;
        std::size_t lineEnd = lineStart;
        while (lineEnd < size && data[lineEnd] != '\n') {
            ++lineEnd;
        }
        pos = lineEnd < size ? lineEnd + 1 : size;
        // Images written on Windows end their lines in CR LF.
        if (lineEnd > lineStart && data[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        if (lineEnd == lineStart) {
            // Editors often leave blank lines at the end; anywhere else the
            // image has been mangled.
            if (!sawEof) {
                return kHexSyntax;
            }
            continue;
        }
        if (sawEof) {
            return kHexAfterEof;
        }
        if (data[lineStart] != ':') {
            return kHexSyntax;
        }
        bool isEof = false;
        const int rc = checkRecord(data + lineStart + 1, lineEnd - lineStart - 1, isEof);
        if (rc != 0) {
            return rc;
        }
        sawEof = isEof;
    }
    return sawEof ? 0 : kHexMissingEof;
}

} // namespace simboard

extern "C" int simboard_check_intel_hex(const char* data, unsigned long size) {
    return simboard::checkIntelHex(reinterpret_cast<const unsigned char*>(data),
                                   static_cast<std::size_t>(size));
}
