// Copies of the few dozen bytes of a record's template by moves of a fixed size.
#pragma once
#include <cstddef>
#include <cstring>

namespace fmtio {

// n bytes from t to q, which do not overlap: 32 at a time, the last move
// overlapping the one before it, and so for 16 and 8; fewer than 8 one by
// one. A move of a size known here is a few instructions; memcpy of a size
// known only when run is a call.
inline void short_copy(char* q, const char* t, std::size_t n)
{
    if (n >= 32) {
        for (std::size_t k = 32; k < n; k += 32, q += 32, t += 32)
            std::memcpy(q, t, 32);
        const std::size_t back = 32 - ((n - 1) % 32 + 1);
        std::memcpy(q - back, t - back, 32);
    } else if (n >= 16) {
        std::memcpy(q, t, 16);
        std::memcpy(q + n - 16, t + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(q, t, 8);
        std::memcpy(q + n - 8, t + n - 8, 8);
    } else {
        for (std::size_t k = 0; k < n; ++k)
            q[k] = t[k];
    }
}

} // namespace fmtio
