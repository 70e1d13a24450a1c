// Internal reads prepared once: digits and hexadecimal fields at the start of a variable, by tables.
#include "fmtio/compiled/prepared_read.h"

#include "fmtio/format/digit_values.h"
#include "fmtio/format/internal.h"

namespace fmtio {

namespace {

// What an I1 field of one character reads: a digit its value, a blank or a
// tab 0 (blanks are skipped, and an empty field is 0); -1 for a character
// that the general way must judge (a sign, a comma, a line end, a bad one).
struct DigitTable {
    signed char v[256];
    constexpr DigitTable() : v()
    {
        for (int c = 0; c < 256; ++c)
            v[c] = static_cast<signed char>(c >= '0' && c <= '9' ? c - '0' : c == ' ' || c == '\t' ? 0 : -1);
    }
};
constexpr DigitTable digit_table{};

} // namespace

// The short ways, each for its count of I1 fields or the width of its one Z
// field, so that each character is a fixed place and each item a fixed one,
// with no loop and no count to look at. False, with nothing read, for a text
// they do not take.
template <std::size_t n>
bool PreparedRead::read_digits(const PreparedRead& r)
{
    const auto* s = reinterpret_cast<const unsigned char*>(r.var_);
    int v[n];
    int bad = 0;
    for (std::size_t k = 0; k < n; ++k) {
        v[k] = digit_table.v[s[k]];
        bad |= v[k];
    }
    if (bad < 0)
        return false;
    for (std::size_t k = 0; k < n; ++k)
        *r.to_[k] = v[k];
    return true;
}

template <std::size_t w>
bool PreparedRead::read_hex_field(const PreparedRead& r)
{
    const auto* s = reinterpret_cast<const unsigned char*>(r.var_);
    int d[w];
    int bad = 0;
    for (std::size_t k = 0; k < w; ++k) {
        d[k] = hex_table.v[s[k]];
        bad |= d[k];
    }
    if (bad < 0)
        return false;
    // Every digit is now 0..15.
    std::uint32_t x = 0;
    for (std::size_t k = 0; k < w; ++k)
        x = x << 4 | static_cast<std::uint32_t>(d[k]);
    *r.to_[0] = static_cast<std::int32_t>(x);
    return true;
}

bool PreparedRead::read_hex_fields(const PreparedRead& r)
{
    const auto* s = reinterpret_cast<const unsigned char*>(r.var_);
    std::int32_t v[max_items];
    int bad = 0;
    for (std::size_t k = 0; k < r.n_; ++k) {
        std::uint32_t x = 0;
        for (std::size_t j = 0; j < r.width_; ++j) {
            const int d = hex_table.v[s[k * r.width_ + j]];
            bad |= d;
            x = x << 4 | static_cast<std::uint32_t>(d & 15);
        }
        v[k] = static_cast<std::int32_t>(x);
    }
    if (bad < 0)
        return false;
    for (std::size_t k = 0; k < r.n_; ++k)
        *r.to_[k] = v[k];
    return true;
}

// The short way of each count or width, from 1 to max_items.
PreparedRead::Way PreparedRead::way_of(bool hex, std::size_t n)
{
    static_assert(max_items == 8, "a way for each count and width");
    switch (n) {
    case 1: return hex ? read_hex_field<1> : read_digits<1>;
    case 2: return hex ? read_hex_field<2> : read_digits<2>;
    case 3: return hex ? read_hex_field<3> : read_digits<3>;
    case 4: return hex ? read_hex_field<4> : read_digits<4>;
    case 5: return hex ? read_hex_field<5> : read_digits<5>;
    case 6: return hex ? read_hex_field<6> : read_digits<6>;
    case 7: return hex ? read_hex_field<7> : read_digits<7>;
    default: return hex ? read_hex_field<8> : read_digits<8>;
    }
}

PreparedRead::PreparedRead(const char* var, int len, const Format& f, const ReadItem* items, std::size_t n)
    : var_(var), len_(len), f_(f), items_(items), n_(n)
{
    const std::size_t room = var && len > 0 ? static_cast<std::size_t>(len) : 0;
    // The format's first element: a repeated descriptor that takes every item.
    if (!f.ok() || n == 0 || n > max_items)
        return;
    const Op& op = f.ops().front();
    if (static_cast<std::size_t>(op.repeat) < n)
        return;
    for (std::size_t k = 0; k < n; ++k) {
        if (!items[k].ival)
            return;
        to_[k] = items[k].ival;
    }
    const std::size_t w = static_cast<std::size_t>(op.width);
    if (op.kind == OpKind::int_edit && w == 1 && n <= room) {
        way_ = way_of(false, n);
    } else if (op.kind == OpKind::hex_edit && w <= max_items && w * n <= room) {
        way_ = n == 1 ? way_of(true, w) : read_hex_fields;
        width_ = w;
    }
}

// Anything the short way does not take, a bad character among it, takes the
// general way, which reads the text again from its start and reports what
// it finds. Out of line, so that the short way saves no registers for it.
[[gnu::noinline]] void PreparedRead::general() const { read_internal(var_, len_, f_, items_, n_); }

} // namespace fmtio
