// The command-line words as the program asks for them: a count, and word n cut or padded.
#include <cstring>

#include "fmtio/units/units.h"

namespace fmtio {

int arg_count() { return platform::word_count(); }

std::int16_t arg_word(std::int16_t n, char* text, int len) {
    std::size_t wlen = 0;
    const char* w = n >= 0 ? platform::word(n, &wlen) : nullptr;
    if (!w) return -1;
    std::size_t take = wlen < static_cast<std::size_t>(len) ? wlen : static_cast<std::size_t>(len);
    std::memcpy(text, w, take);
    std::memset(text + take, ' ', static_cast<std::size_t>(len) - take);
    return static_cast<std::int16_t>(wlen > 32767 ? 32767 : wlen);
}

} // namespace fmtio
