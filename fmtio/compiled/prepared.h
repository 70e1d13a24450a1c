// Internal writes and reads prepared once, for a statement that a place in
// the program issues again and again with the same variable, format and
// items.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fmtio/compiled/bound_fill.h"
#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

// What every issue would find out about the format, the variable and the
// items is found out when prepared; an issue fills the fields alone. Each
// issue does what write_internal(var, len, f, items, n) does with the bound
// items' values as they are then, failures included. The format must
// outlive the statement.
// Each starts a cache line, and what an issue reads comes first in it.
class alignas(64) PreparedWrite {
public:
    PreparedWrite(char* var, int len, const Format& f, const Bound* items, std::size_t n);
    void operator()() const;

private:
    void general() const;
    char* var_;
    int len_;
    // Ready when the items fill the whole template of a one-run format into
    // a variable of 8 to 16 characters, which the template and the blanks
    // after it then fill by two moves.
    BoundFill fill_;
    const Format& f_;
    std::vector<Bound> items_;
    mutable std::vector<Item> values_;  // the items as they are now, for the general way
};

// The same for read_internal(var, len, f, items, n), the read items bound
// when prepared: they must stay as they are while the statement is used.
class alignas(64) PreparedRead {
public:
    PreparedRead(const char* var, int len, const Format& f, const ReadItem* items, std::size_t n);
    void operator()() const
    {
        if (!way_ || !way_(*this))
            general();
    }

private:
    static constexpr std::size_t max_items = 8;
    template <std::size_t n>
    static bool read_digits(const PreparedRead& r);
    template <std::size_t n>
    static bool read_digit_run(const PreparedRead& r);
    template <std::size_t w>
    static bool read_hex_field(const PreparedRead& r);
    static bool read_hex_fields(const PreparedRead& r);
    using Way = bool (*)(const PreparedRead&);
    static Way way_of(bool hex, std::size_t n);
    static Way digit_run_of(std::size_t n);
    void general() const;
    // One of the short ways, or none: n I1 fields, or n Zw fields with w at
    // most max_items, from the variable's first character on and inside it,
    // into integers; 4 to 8 I1 fields into consecutive integers from a
    // variable of 8 characters or more, all at once.
    Way way_ = nullptr;
    const char* var_;
    std::int32_t* to_[max_items] = {};
    std::size_t width_ = 0;
    int len_;
    const Format& f_;
    const ReadItem* items_;
    std::size_t n_;
};

} // namespace fmtio
