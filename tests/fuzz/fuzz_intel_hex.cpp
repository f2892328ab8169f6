// Fuzzes the simulated board's Intel HEX check against a second, separately
// written checker of the same grammar:
//   - lines end in LF; one CR before the LF (or before the end of the data)
//     is dropped, so CR LF files pass;
//   - a line is ':' then an even number of hex digits (either case) forming
//     count, address (2 bytes), type, count data bytes and a checksum that
//     makes all the bytes sum to 0 modulo 256;
//   - types 00..05 only; 01 carries no data, 02 and 04 two bytes, 03 and 05
//     four, 00 any number;
//   - the image must hold an end-of-file record (01); after it only empty
//     lines may follow, and empty lines are refused anywhere before it;
//   - the last line needs no line end; empty input is refused.
// Only the verdict's sign is compared (0 accepted, negative refused).
// Random bytes rarely form a record with a right checksum, so each input is
// also turned into an image of well-formed records with chosen faults.
#include "simboard/simboard.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Digit values of the ASCII hex characters, -1 elsewhere.
struct HexTable {
    int value[256];
    HexTable() {
        for (int& v : value) {
            v = -1;
        }
        const char* lower = "0123456789abcdef";
        const char* upper = "0123456789ABCDEF";
        for (int i = 0; i < 16; ++i) {
            value[static_cast<unsigned char>(lower[i])] = i;
            value[static_cast<unsigned char>(upper[i])] = i;
        }
    }
};

const HexTable kHex;

bool referenceRecord(const std::string& line, bool& isEof) {
    if (line.empty() || line[0] != ':') {
        return false;
    }
    const std::size_t digits = line.size() - 1;
    if (digits % 2 != 0) {
        return false;
    }
    std::vector<unsigned> bytes;
    for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
        const int hi = kHex.value[static_cast<unsigned char>(line[i])];
        const int lo = kHex.value[static_cast<unsigned char>(line[i + 1])];
        if (hi < 0 || lo < 0) {
            return false;
        }
        bytes.push_back(static_cast<unsigned>(hi * 16 + lo));
    }
    // Count, address, type and checksum are 5 bytes around the data.
    if (bytes.size() < 5 || bytes[0] != bytes.size() - 5) {
        return false;
    }
    const unsigned count = bytes[0];
    switch (bytes[3]) {
    case 0:
        break;
    case 1:
        if (count != 0) {
            return false;
        }
        break;
    case 2:
    case 4:
        if (count != 2) {
            return false;
        }
        break;
    case 3:
    case 5:
        if (count != 4) {
            return false;
        }
        break;
    default:
        return false;
    }
    std::uint8_t sum = 0;
    for (const unsigned b : bytes) {
        sum = static_cast<std::uint8_t>(sum + b);
    }
    if (sum != 0) {
        return false;
    }
    isEof = bytes[3] == 1;
    return true;
}

bool referenceAccepts(const char* data, std::size_t size) {
    if (data == nullptr || size == 0) {
        return false;
    }
    // Split on LF; a final LF ends the last line rather than opening an empty one.
    std::vector<std::string> lines;
    const std::string text(data, size);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, lf - start));
        start = lf + 1;
    }
    bool afterEof = false;
    for (std::string& line : lines) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            if (!afterEof) {
                return false;
            }
            continue;
        }
        if (afterEof) {
            return false;
        }
        bool isEof = false;
        if (!referenceRecord(line, isEof)) {
            return false;
        }
        afterEof = isEof;
    }
    return afterEof;
}

[[noreturn]] void fail(const char* what, const std::vector<char>& image, int got, bool want) {
    std::fprintf(stderr, "\nsimboard_check_intel_hex disagrees on the %s image (%zu bytes): ", what,
                 image.size());
    std::fprintf(stderr, "returned %d, the reference %s it\n", got, want ? "accepts" : "refuses");
    std::fwrite(image.data(), 1, image.size(), stderr);
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    __builtin_trap();
}

// The image sits in a buffer of exactly its size, so a read past its end is
// caught by AddressSanitizer.
void compare(const char* what, const std::vector<char>& image) {
    const char* data = image.empty() ? nullptr : image.data();
    const int got = simboard_check_intel_hex(data, static_cast<unsigned long>(image.size()));
    const bool want = referenceAccepts(data, image.size());
    if (got > 0 || (got == 0) != want) {
        fail(what, image, got, want);
    }
}

// Reads the fuzzer's bytes in order, then zeros once they run out.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_pos >= m_size; }
    unsigned next() { return m_pos < m_size ? m_data[m_pos++] : 0u; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void appendByte(std::string& out, unsigned value, bool lowerCase) {
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    out += digits[(value >> 4) & 0xF];
    out += digits[value & 0xF];
}

// Builds records from the input. Each record starts with an op byte:
// bits 0-2 pick the kind (types 00-05, another type, or an empty line),
// bits 3-4 the line end (LF, CR LF, CR CR LF, none), bit 5 lower case,
// bit 6 a wrong checksum, bit 7 a wrong data length for the type.
// Bit 0 of the first input byte appends an end-of-file record.
std::vector<char> synthesize(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    const bool appendEof = (in.next() & 1) != 0;
    static const unsigned kTypeLength[6] = {0, 0, 2, 4, 2, 4};
    static const char* const kEndings[4] = {"\n", "\r\n", "\r\r\n", ""};
    std::string text;
    for (int records = 0; !in.empty() && records < 64; ++records) {
        const unsigned op = in.next();
        const unsigned kind = op & 7;
        const bool lowerCase = (op & 0x20) != 0;
        if (kind == 7) {
            text += kEndings[(op >> 3) & 3];
            continue;
        }
        const unsigned type = kind < 6 ? kind : 6 + in.next() % 250;
        unsigned count = 0;
        if (type == 0) {
            count = in.next();
        } else if (type > 5 || (op & 0x80) != 0) {
            count = in.next() % 8;
        } else {
            count = kTypeLength[type];
        }
        std::vector<unsigned> bytes = {count, in.next(), in.next(), type};
        for (unsigned i = 0; i < count; ++i) {
            bytes.push_back(in.next());
        }
        unsigned sum = 0;
        for (const unsigned b : bytes) {
            sum += b;
        }
        unsigned checksum = (0x100 - (sum & 0xFF)) & 0xFF;
        if ((op & 0x40) != 0) {
            // Either one flipped bit or an offset of 1..128, never a right sum.
            const unsigned error = in.next();
            checksum = (error & 0x80) != 0 ? checksum ^ (1u << (error & 7))
                                           : (checksum + 1 + error) & 0xFF;
        }
        bytes.push_back(checksum);
        text += ':';
        for (const unsigned b : bytes) {
            appendByte(text, b, lowerCase);
        }
        text += kEndings[(op >> 3) & 3];
    }
    if (appendEof) {
        text += ":00000001FF\n";
    }
    return std::vector<char>(text.begin(), text.end());
}

std::vector<char> bytesOf(const char* text) {
    return std::vector<char>(text, text + std::strlen(text));
}

} // namespace

// A few fixed verdicts, so a reference that refuses or accepts everything is
// noticed at once instead of agreeing with a broken checker.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    struct Known {
        const char* image;
        bool valid;
    };
    static const Known kKnown[] = {
        {":00000001FF", true},
        {":0300300002337A1E\r\n:00000001FF\r\n\n", true},
        {":0400000500000000F7\n:00000001ff\n", true},
        {"", false},
        {"\n:00000001FF\n", false},
        {":0300300002337A1E\n", false},
        {":00000001FF\n:00000001FF\n", false},
        {":0300300002337A1F\n:00000001FF\n", false},
        {":01000004FFFC\n:00000001FF\n", false},
    };
    for (const Known& k : kKnown) {
        const std::vector<char> image = bytesOf(k.image);
        if (referenceAccepts(image.data(), image.size()) != k.valid) {
            std::fprintf(stderr, "reference checker is wrong about \"%s\"\n", k.image);
            std::abort();
        }
        compare("fixed", image);
    }
    if (simboard_check_intel_hex(nullptr, 10) >= 0) {
        std::fprintf(stderr, "a null image with a size was accepted\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    compare("raw", std::vector<char>(data, data + size));
    compare("built", synthesize(data, size));
    return 0;
}
