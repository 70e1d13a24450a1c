// Formatted input by the walk: I, Z and A fields read out of one record of text.
#include <cstdint>

#include "fmtio/format/digit_values.h"
#include "fmtio/format/format_control.h"
#include "fmtio/format/render.h"

namespace fmtio {

namespace {

// The record being read: a position that may run past the end, where every
// character reads as a blank.
struct InputRecord {
    // There is only one record: a reversion reads on past its end.
    static constexpr bool reverts = true;

    const char* s;
    std::size_t n;
    std::size_t pos = 0;

    // A literal in an input format steps over as many characters, so text
    // written by a format reads back through the same format.
    void text(const char*, std::size_t len) { pos += len; }
    void blanks(std::size_t len) { pos += len; }
    void mark_open() {}
    // What follows the one record reads as blanks.
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

std::int32_t read_int(InputRecord& in, const Op& op, const char* name)
{
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

std::int32_t read_hex(InputRecord& in, const Op& op, const char* name)
{
    std::uint32_t v = 0;
    field(in, static_cast<std::size_t>(op.width), [&](char c) {
        int d = hex_table.v[static_cast<unsigned char>(c)];
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
void read_chars(InputRecord& in, const Op& op, char* dest, std::size_t len)
{
    std::size_t w = op.width == 0 ? len : static_cast<std::size_t>(op.width);
    std::size_t from = in.pos + (w > len ? w - len : 0);
    for (std::size_t k = 0; k < len; ++k)
        dest[k] = k < w ? in.at(from + k) : ' ';
    in.pos += w;
}

void read_item(InputRecord& in, const Op& op, const ReadItem& it, const char* name)
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

} // namespace

void parse(const Format& f, const char* text, std::size_t len, const ReadItem* items, std::size_t n,
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

} // namespace fmtio
