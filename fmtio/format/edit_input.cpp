// Formatted input: I, Z and A fields read out of one record of text.
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fmtio/format/format_control.h"
#include "fmtio/compiled/prepared.h"
#include "fmtio/format/render.h"
#include "fmtio/units/statements.h"

namespace fmtio {

namespace {

// The record being read: a position that may run past the end, where every
// character reads as a blank.
struct InputRecord {
    const char* s;
    std::size_t n;
    std::size_t pos = 0;

    // A literal in an input format steps over as many characters, so text
    // written by a format reads back through the same format.
    void text(const char*, std::size_t len) { pos += len; }
    void blanks(std::size_t len) { pos += len; }
    void mark_open() {}
    // There is only one record: what follows it reads as blanks.
    void next_record() { pos = pos > n ? pos : n; }
    char at(std::size_t p) const { return p < n ? s[p] : ' '; }
};

// The characters of an I or Z input field, with blanks and tabs skipped.
// The field ends after w characters, at a comma (taken), or before a CR or LF.
template <class Take>
void field(InputRecord& in, std::size_t w, Take take)
{
    std::size_t end = in.pos + w;
    std::size_t p = in.pos;
    std::size_t stop = end < in.n ? end : in.n;
    for (; p < stop; ++p) {
        char c = in.s[p];
        if (c == ' ' || c == '\t')
            continue;
        if (c == '\r' || c == '\n') {
            in.pos = p;
            return;
        }
        if (c == ',') {
            in.pos = p + 1;
            return;
        }
        take(c);
    }
    in.pos = end;
}

// Op or PlanField: anything with the descriptor's kind and width.
template <class D>
std::int32_t read_int(InputRecord& in, const D& op, const char* name)
{
    // I1 over a digit, as every packed-decimal date and time digit is read.
    if (op.width == 1 && in.pos < in.n && in.s[in.pos] >= '0' && in.s[in.pos] <= '9')
        return in.s[in.pos++] - '0';
    bool neg = false;
    bool sign = false;
    bool digits = false;
    std::int64_t v = 0;
    const std::int64_t limit = 2147483647;
    field(in, static_cast<std::size_t>(op.width), [&](char c) {
        if ((c == '+' || c == '-') && !sign && !digits) {
            sign = true;
            neg = c == '-';
            return;
        }
        if (c < '0' || c > '9')
            fail(Error::int_char, Stmt::read, name);
        digits = true;
        v = v * 10 + (c - '0');
        if (v > limit + (neg ? 1 : 0))
            fail(Error::int_range, Stmt::read, name);
    });
    return static_cast<std::int32_t>(neg ? -v : v);
}

constexpr int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

template <class D>
std::int32_t read_hex(InputRecord& in, const D& op, const char* name)
{
    std::uint32_t v = 0;
    field(in, static_cast<std::size_t>(op.width), [&](char c) {
        int d = hex_value(c);
        if (d < 0)
            fail(Error::hex_char, Stmt::read, name);
        // More than 8 significant digits do not fit the item: refuse rather
        // than drop the high ones.
        if (v >> 28)
            fail(Error::int_range, Stmt::read, name);
        v = v << 4 | static_cast<std::uint32_t>(d);
    });
    return static_cast<std::int32_t>(v);
}

// A w into a variable of length L: the first w characters from the left, or
// the last L when the field is wider; positions past the record read blanks.
template <class D>
void read_chars(InputRecord& in, const D& op, char* dest, std::size_t len)
{
    std::size_t w = op.width == 0 ? len : static_cast<std::size_t>(op.width);
    std::size_t from = in.pos + (w > len ? w - len : 0);
    for (std::size_t k = 0; k < len; ++k)
        dest[k] = k < w ? in.at(from + k) : ' ';
    in.pos += w;
}

template <class D>
void read_item(InputRecord& in, const D& op, const ReadItem& it, const char* name)
{
    if (it.ival) {
        switch (op.kind) {
        case OpKind::int_edit:
            *it.ival = read_int(in, op, name);
            break;
        case OpKind::hex_edit:
            *it.ival = read_hex(in, op, name);
            break;
        default: {
            // The counterpart of A output: the characters are the bytes, lowest first.
            char b[4];
            read_chars(in, op, b, 4);
            std::uint32_t v = 0;
            for (int k = 3; k >= 0; --k)
                v = v << 8 | static_cast<unsigned char>(b[k]);
            *it.ival = static_cast<std::int32_t>(v);
        }
        }
        return;
    }
    if (op.kind != OpKind::char_edit)
        fail(Error::char_item, Stmt::read, name);
    std::size_t len = it.text && it.len > 0 ? static_cast<std::size_t>(it.len) : 0;
    read_chars(in, op, it.text, len);
}

// What the text before a field does to the read position.
void step(InputRecord& in, std::int32_t skip, bool slash, std::int32_t after)
{
    in.pos += static_cast<std::size_t>(skip);
    if (slash) {
        in.next_record();
        in.pos += static_cast<std::size_t>(after);
    }
}

// The c items of one planned field. I1 over a digit, as every packed-decimal
// date and time digit is read, takes the digit without gathering a field.
// Hexadecimal digit values by character, -1 for every other character.
struct HexTable {
    signed char v[256];
    constexpr HexTable() : v()
    {
        for (int c = 0; c < 256; ++c)
            v[c] = static_cast<signed char>(hex_value(static_cast<char>(c)));
    }
};
constexpr HexTable hex_table{};

// What an I1 field of one character reads: a digit its value, a blank or a
// tab 0 (the field is empty); -1 for every character that takes the
// general way.
struct DigitTable {
    signed char v[256];
    constexpr DigitTable() : v()
    {
        for (int c = 0; c < 256; ++c)
            v[c] = static_cast<signed char>(c >= '0' && c <= '9' ? c - '0' : c == ' ' || c == '\t' ? 0 : -1);
    }
};
constexpr DigitTable digit_table{};

[[gnu::always_inline]] inline void read_field(InputRecord& in, const PlanField& f, const ReadItem* it,
                                              std::size_t c, const char* name)
{
    const ReadItem* const end = it + c;
    const char* const s = in.s;
    const std::size_t n = in.n;
    if (f.kind == OpKind::int_edit && f.width == 1) {
        std::size_t pos = in.pos;
        if (pos <= n) {
            // Inside the record a digit or a blank gives its value by the
            // table; the first other character takes the general way below.
            const ReadItem* const inside = it + (n - pos < c ? n - pos : c);
            for (; it != inside; ++it, ++pos) {
                const int d = digit_table.v[static_cast<unsigned char>(s[pos])];
                if (d < 0)
                    break;
                if (!it->ival)
                    fail(Error::char_item, Stmt::read, name);
                *it->ival = d;
            }
        }
        for (; it != end; ++it) {
            if (!it->ival)
                fail(Error::char_item, Stmt::read, name);
            const unsigned char d = pos < n ? static_cast<unsigned char>(s[pos]) : ' ';
            if (static_cast<unsigned>(d - '0') < 10u) {
                *it->ival = d - '0';
                ++pos;
            } else if (d == ' ' || d == '\t') {
                // A blank is skipped, which leaves the one-character field empty.
                *it->ival = 0;
                ++pos;
            } else {
                in.pos = pos;
                *it->ival = read_int(in, f, name);
                pos = in.pos;
            }
        }
        in.pos = pos;
        return;
    }
    if (f.kind == OpKind::hex_edit && f.width <= 8) {
        // A field of hexadecimal digits alone, inside the record, converts
        // directly; anything else (blanks, a comma, a line end, a bad
        // character, the record's end) takes the general way.
        const std::size_t w = static_cast<std::size_t>(f.width);
        for (; it != end; ++it) {
            const std::size_t pos = in.pos;
            if (it->ival && pos <= n && w <= n - pos) {
                std::uint32_t v = 0;
                int bad = 0;  // negative once a character is no digit
                for (std::size_t k = 0; k < w; ++k) {
                    const int d = hex_table.v[static_cast<unsigned char>(s[pos + k])];
                    bad |= d;
                    v = v << 4 | static_cast<std::uint32_t>(d & 15);
                }
                if (bad >= 0) {
                    *it->ival = static_cast<std::int32_t>(v);
                    in.pos = pos + w;
                    continue;
                }
            }
            read_item(in, f, *it, name);
        }
        return;
    }
    for (; it != end; ++it)
        read_item(in, f, *it, name);
}

[[gnu::always_inline]] inline void parse_planned(const Plan& pl, InputRecord& in, const ReadItem* items, std::size_t n, const char* name)
{
    if (n == 0)
        return;
    const Pass* pass = &pl.first;
    // Most reads take all their items from the format's first field.
    if (n <= static_cast<std::size_t>(pl.first_take)) {
        read_field(in, pl.fields[static_cast<std::size_t>(pass->field)], items, n, name);
        return;
    }
    for (;;) {
        const PlanField* f = pl.fields.data() + pass->field;
        for (const PlanField* end = f + pass->fields; f != end; ++f) {
            step(in, f->in_skip, f->in_slash, f->in_after);
            std::size_t c = static_cast<std::size_t>(f->count) < n ? static_cast<std::size_t>(f->count) : n;
            read_field(in, *f, items, c, name);
            items += c;
            n -= c;
            if (n == 0)
                return;
        }
        step(in, pass->in_skip, pass->in_slash, pass->in_after);
        if (!pl.reverts_to_data)
            fail(Error::fmt_no_data_descriptor, Stmt::read, name);
        in.next_record();
        pass = &pl.again;
    }
}

} // namespace

void parse(const Format& f, const char* text, std::size_t len, const ReadItem* items, std::size_t n,
           const char* name)
{
    const Plan* pl = f.plan();
    if (!pl) {
        parse_stepwise(f, text, len, items, n, name);
        return;
    }
    if (n > 0 && !f.has_data())
        fail(Error::fmt_no_data_descriptor, Stmt::read, name);
    InputRecord in{text, text ? len : 0};
    parse_planned(*pl, in, items, n, name);
}

void parse_stepwise(const Format& f, const char* text, std::size_t len, const ReadItem* items, std::size_t n,
                    const char* name)
{
    if (!f.ok())
        fail(f.error(), Stmt::read, name);
    if (n > 0 && !f.has_data())
        fail(Error::fmt_no_data_descriptor, Stmt::read, name);
    InputRecord in{text, text ? len : 0};
    FormatControl<InputRecord> control(f, in, Stmt::read, name);
    for (std::size_t k = 0; k < n; ++k)
        read_item(in, *control.next(true), items[k], name);
}

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

#if defined(__SSE2__)
// n I1 fields, 4 to 8, into consecutive integers, from a text of at least 8
// characters: the digits are told from the rest and widened all at once.
template <std::size_t n>
bool PreparedRead::read_digit_run(const PreparedRead& r)
{
    static_assert(n >= 4 && n <= 8, "two stores of four cover the integers");
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r.var_));
    const __m128i d = _mm_sub_epi8(s, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
    const __m128i empty = _mm_or_si128(_mm_cmpeq_epi8(s, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(s, _mm_set1_epi8('\t')));
    constexpr int all = (1 << n) - 1;
    if ((_mm_movemask_epi8(_mm_or_si128(digit, empty)) & all) != all)
        return false;
    // A blank or a tab reads as 0.
    const __m128i w = _mm_unpacklo_epi8(_mm_and_si128(d, digit), _mm_setzero_si128());
    std::int32_t* const to = r.to_[0];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi16(w, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + n - 4),
                     _mm_unpacklo_epi16(_mm_srli_si128(w, 2 * (n - 4)), _mm_setzero_si128()));
    return true;
}
#endif

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

#if defined(__SSE2__)
PreparedRead::Way PreparedRead::digit_run_of(std::size_t n)
{
    switch (n) {
    case 4: return read_digit_run<4>;
    case 5: return read_digit_run<5>;
    case 6: return read_digit_run<6>;
    case 7: return read_digit_run<7>;
    default: return read_digit_run<8>;
    }
}
#endif

PreparedRead::PreparedRead(const char* var, int len, const Format& f, const ReadItem* items, std::size_t n)
    : var_(var), len_(len), f_(f), items_(items), n_(n)
{
    const Plan* pl = f.plan();
    const std::size_t room = var && len > 0 ? static_cast<std::size_t>(len) : 0;
    if (!pl || n == 0 || n > max_items || n > static_cast<std::size_t>(pl->first_take))
        return;
    for (std::size_t k = 0; k < n; ++k) {
        if (!items[k].ival)
            return;
        to_[k] = items[k].ival;
    }
    const PlanField& fd = pl->fields[static_cast<std::size_t>(pl->first.field)];
    const std::size_t w = static_cast<std::size_t>(fd.width);
    if (fd.kind == OpKind::int_edit && w == 1 && n <= room) {
        way_ = way_of(false, n);
#if defined(__SSE2__)
        bool run = n >= 4 && room >= 8;
        for (std::size_t k = 1; k < n; ++k)
            run = run && to_[k] == to_[0] + k;
        if (run)
            way_ = digit_run_of(n);
#endif
    } else if (fd.kind == OpKind::hex_edit && w <= max_items && w * n <= room) {
        way_ = n == 1 ? way_of(true, w) : read_hex_fields;
        width_ = w;
    }
}

// Anything the short way does not take, a bad character among it, takes the
// general way, which reads the text again from its start and reports what
// it finds. Out of line, so that the short way saves no registers for it.
[[gnu::noinline]] void PreparedRead::general() const { read_internal(var_, len_, f_, items_, n_); }

} // namespace fmtio
