// Small text rules of the units: trimming names, matching specifier values.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>

namespace fmtio {

// The text without its leading and trailing blanks.
inline std::string trimmed(const char* text, std::size_t len) {
    std::size_t b = 0;
    while (b < len && text[b] == ' ') ++b;
    while (len > b && text[len - 1] == ' ') --len;
    return std::string(text + b, len - b);
}

// Whether value is the upper-case word, without regard to the case of its
// letters and with trailing blanks ignored.
inline bool matches(const char* value, std::size_t n, const char* word) {
    while (n > 0 && value[n - 1] == ' ') --n;
    if (n != std::strlen(word)) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char ch = value[i];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch != word[i]) return false;
    }
    return true;
}

inline bool matches(const char* value, const char* word) { return matches(value, std::strlen(value), word); }

} // namespace fmtio
