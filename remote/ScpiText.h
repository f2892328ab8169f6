// Small text helpers of the parser: characters as IEEE 488.2 sorts them,
// keywords in short and long form, digits in a base. Plain C++.
#ifndef SCPITEXT_H
#define SCPITEXT_H

#include <cstddef>
#include <string_view>

namespace Scpi::Text {

// Every control character and the space separate, as in IEEE 488.2; LF never
// reaches the parser.
inline bool isSpace(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}
inline bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
inline char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

inline bool matches(std::string_view word, std::string_view keyword) {
    const std::size_t longLength = keyword.size();
    std::size_t shortLength = 0;
    while (shortLength < longLength &&
           !(keyword[shortLength] >= 'a' && keyword[shortLength] <= 'z'))
        ++shortLength;
    if (word.size() != shortLength && word.size() != longLength)
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (upper(word[i]) != upper(keyword[i]))
            return false;
    return true;
}

// The value of digits in `base`, stopping past `limit` so no input overflows;
// -1 for a digit the base does not have.
inline long digitsValue(std::string_view digits, int base, long limit) {
    long value = 0;
    for (const char c : digits) {
        const int digit = isDigit(c) ? c - '0' : isLetter(c) ? upper(c) - 'A' + 10 : base;
        if (digit >= base)
            return -1;
        value = value * base + digit;
        if (value > limit)
            return limit + 1;
    }
    return value;
}

} // namespace Scpi::Text

#endif
