// An internal read prepared once, for a statement that the program issues again and again with the same variable, format and items.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

// Each issue does what read_internal(var, len, f, items, n) does, failures
// included; the read items are bound when prepared and must stay as they
// are while the statement is used. The format must outlive the statement.
// It starts a cache line, and what an issue reads comes first in it.
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
    template <std::size_t w>
    static bool read_hex_field(const PreparedRead& r);
    static bool read_hex_fields(const PreparedRead& r);
    using Way = bool (*)(const PreparedRead&);
    static Way way_of(bool hex, std::size_t n);
    void general() const;
    // One of the short ways, or none: n I1 fields, or n Zw fields with w at
    // most max_items, from the variable's first character on and inside it,
    // into integers. A short way reads text of digits alone; it leaves
    // anything else, with nothing stored, to the general way.
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
