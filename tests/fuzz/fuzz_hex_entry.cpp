// Fuzzes the reading of a typed hexadecimal DAC code and the voltage text.
// Every input is read as Latin-1, as UTF-8 and (when its length is even) as
// UTF-16, and each verdict is compared with one worked out here from digit
// counts alone, so the check does not share the reader's arithmetic.
#include "model/Codes.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* resultName(Codes::EntryResult r) {
    switch (r) {
    case Codes::EntryResult::Valid:
        return "Valid";
    case Codes::EntryResult::NotANumber:
        return "NotANumber";
    case Codes::EntryResult::TooLarge:
        return "TooLarge";
    }
    return "?";
}

// Prints the units in hex as well, since the text may hold NULs or lone surrogates.
[[noreturn]] void fail(const char* what, const QString& text, const std::string& detail) {
    std::fprintf(stderr, "\nReadHexEntry disagrees for %s input \"%s\": %s\nUTF-16 units:", what,
                 text.toUtf8().constData(), detail.c_str());
    for (const QChar ch : text) {
        std::fprintf(stderr, " %04x", static_cast<unsigned>(ch.unicode()));
    }
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    __builtin_trap();
}

// Digit value of an ASCII hex character, -1 for anything else (including
// every unit outside ASCII, such as full-width digits or surrogates).
int asciiHexValue(char16_t unit) {
    static const char kLower[] = "0123456789abcdef";
    static const char kUpper[] = "0123456789ABCDEF";
    if (unit == 0 || unit > 0x7F) {
        return -1;
    }
    const char c = static_cast<char>(unit);
    if (const char* p = std::strchr(kLower, c)) {
        return static_cast<int>(p - kLower);
    }
    if (const char* p = std::strchr(kUpper, c)) {
        return static_cast<int>(p - kUpper);
    }
    return -1;
}

struct Expected {
    Codes::EntryResult result;
    std::int32_t value;
};

// Once leading zeros are gone, the number of significant digits alone decides:
// up to 3 digits is at most 0xFFF, 4..8 digits is 0x1000..0xFFFFFFFF, and 9 or
// more exceed 32 bits. Only a Valid value (3 digits at most) is computed.
Expected reference(const QString& text) {
    const std::size_t n = static_cast<std::size_t>(text.size());
    if (n == 0) {
        return {Codes::EntryResult::NotANumber, 0};
    }
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    for (std::size_t i = 0; i < n; ++i) {
        if (asciiHexValue(units[i]) < 0) {
            return {Codes::EntryResult::NotANumber, 0};
        }
    }
    std::size_t first = 0;
    while (first < n && units[first] == u'0') {
        ++first;
    }
    const std::size_t significant = n - first;
    if (significant > 8) {
        return {Codes::EntryResult::NotANumber, 0};
    }
    if (significant > 3) {
        return {Codes::EntryResult::TooLarge, 0};
    }
    std::int32_t value = 0;
    for (std::size_t i = first; i < n; ++i) {
        value = value * 16 + asciiHexValue(units[i]);
    }
    return {Codes::EntryResult::Valid, value};
}

void checkEntry(const char* what, const QString& text) {
    const Codes::Entry got = Codes::ReadHexEntry(text);
    const Expected want = reference(text);
    if (got.result != want.result) {
        fail(what, text,
             std::string("got ") + resultName(got.result) + ", expected " +
                 resultName(want.result));
    }
    if (got.result == Codes::EntryResult::Valid) {
        if (got.value < 0 || got.value > Codes::MaxCode || got.value != want.value) {
            fail(what, text,
                 "value " + std::to_string(got.value) + ", expected " + std::to_string(want.value));
        }
    } else if (got.value != 0) {
        // A refused entry carries no code.
        fail(what, text, "refused entry carries value " + std::to_string(got.value));
    }
}

// The voltage of a code as text, by integer arithmetic only:
// volts * 10000 = code * range * 10000 / 4096 = code * range * 625 / 256,
// with ties rounded away from zero (all values here are non-negative).
std::string referenceVolts(int code, int range) {
    const long long scaled = static_cast<long long>(code) * range * 625;
    long long tenThousandths = scaled / 256;
    if ((scaled % 256) * 2 >= 256) {
        ++tenThousandths;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%04lldV", tenThousandths / 10000,
                  tenThousandths % 10000);
    return text;
}

void checkVolts(int code) {
    static const int kRanges[] = {30, 60};
    for (const int range : kRanges) {
        const double volts = code * static_cast<double>(range) / 4096.0;
        const std::string got = Codes::FormatVolts(volts).toStdString();
        const std::string want = referenceVolts(code, range);
        if (got != want) {
            std::fprintf(
                stderr,
                "\nFormatVolts disagrees for code %d, range %d V: \"%s\", expected \"%s\"\n", code,
                range, got.c_str(), want.c_str());
            std::fflush(stderr);
            __builtin_trap();
        }
    }
}

} // namespace

// Every code is cheap to check once, so all of them are, before fuzzing starts.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int code = 0; code <= Codes::MaxCode; ++code) {
        checkVolts(code);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Entries are one short line; longer inputs only slow the search down.
    if (size > 4096) {
        return 0;
    }
    const char* bytes = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);

    checkEntry("Latin-1", QString::fromLatin1(bytes, length));
    checkEntry("UTF-8", QString::fromUtf8(bytes, length));
    if (size % 2 == 0) {
        // Copied out because the fuzzer's buffer need not be aligned for char16_t.
        std::u16string units(size / 2, u'\0');
        if (size != 0) {
            std::memcpy(&units[0], data, size);
        }
        checkEntry("UTF-16",
                   QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())));
    }

    if (size >= 2) {
        checkVolts((data[0] | (data[1] << 8)) & 0xFFF);
    }
    return 0;
}
