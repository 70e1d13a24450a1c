// The ops a format string compiles to, one per element of the format.
#pragma once
#include <cstdint>

namespace fmtio {

// Groups nest up to this deep; the compiler refuses a deeper format, so the
// walk's stack of open groups never needs more.
constexpr int max_group_depth = 16;

enum class OpKind : std::uint8_t {
    literal,      // text at [pos, pos + len) of the literal pool, delimiters undoubled
    skip,         // nX: n in width
    slash,
    keep_open,    // backslash or $
    group_open,   // r( : repeat in repeat
    group_close,  // ) : back to the innermost open group
    int_edit,     // rIw
    hex_edit,     // rZw or rZw.m
    char_edit,    // rA or rAw (width 0: as wide as the item)
    end,          // the closing ) of the whole format
};

struct Op {
    OpKind kind;
    std::int32_t repeat = 1;
    std::int32_t width = 0;
    std::int32_t digits = 1;  // m of Zw.m; 1 when absent
    std::int32_t pos = 0;     // literal: offset into the pool
    std::int32_t len = 0;     // literal: length
};

} // namespace fmtio
