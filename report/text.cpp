// UTF-8 checked byte by byte, control bytes escaped, and tenths written as a decimal.
#include "report/text.h"

#include <cstdio>

namespace report {
namespace {

// Length of the UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned min;
    if (c >= 0xC2 && c <= 0xDF) n = 2, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, min = 0x10000;
    else return 0;
    if (i + n > s.size()) return 0;
    unsigned v = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        v = v << 6 | (d & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    return n;
}

} // namespace

std::string percent(long long tenths) { return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10); }

std::string utf8_clean(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = utf8_length(s, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s, i, n);
            i += n;
        }
    }
    return out;
}

std::string printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 32 || c == 127) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace report
