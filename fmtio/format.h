// Format strings, compiled once into a flat list of edit ops and reused.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fmtio/errors.h"

namespace fmtio {

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

class Format {
public:
    // len -1: the text ends at its first NUL. A malformed text does not
    // throw: error() tells, and the statement that uses it fails with it.
    explicit Format(const char* text, int len = -1);

    bool ok() const { return error_ == 0; }
    Error error() const { return static_cast<Error>(error_); }
    const std::vector<Op>& ops() const { return ops_; }
    const char* pool() const { return pool_.data(); }
    // Index of the op where a reversion continues: the "(" of the last group
    // opened at the top level, or the first op after the format's own "(".
    int reversion() const { return reversion_; }
    // Whether a data descriptor follows op 0, or the reversion point; every
    // statement asks, so it is found once here.
    bool has_data() const { return has_data_; }
    bool reverts_to_data() const { return reverts_to_data_; }

private:
    std::vector<Op> ops_;
    std::string pool_;
    int reversion_ = 0;
    int error_ = 0;
    bool has_data_ = false;
    bool reverts_to_data_ = false;
};

} // namespace fmtio
