// Formatted output: the I, Z and A edits, each laid out first and then emitted.
#include <cstdint>

#include "fmtio/format_control.h"
#include "fmtio/output_record.h"
#include "fmtio/render.h"

namespace fmtio {

namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";

std::uint32_t magnitude(std::int32_t v)
{
    return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

void edit_int(OutputRecord& out, const Op& op, std::int32_t v)
{
    char digits[10];
    std::size_t nd = 0;
    for (std::uint32_t m = magnitude(v); m != 0; m /= 10)
        digits[nd++] = static_cast<char>('0' + m % 10);
    std::size_t body = nd > static_cast<std::size_t>(op.digits) ? nd : static_cast<std::size_t>(op.digits);
    std::size_t len = body + (v < 0 ? 1 : 0);
    std::size_t w = static_cast<std::size_t>(op.width);
    if (len > w) {
        out.fill('*', w);
        return;
    }
    out.blanks(w - len);
    if (len == 0)
        return;
    // Sign, leading zeros and digits go straight into the record.
    char* p = out.place(len);
    if (v < 0)
        *p++ = '-';
    for (std::size_t k = nd; k < body; ++k)
        *p++ = '0';
    for (std::size_t k = nd; k > 0; --k)
        *p++ = digits[k - 1];
}

void edit_hex(OutputRecord& out, const Op& op, const Item& it)
{
    std::uint32_t bits = it.kind == Item::i16 ? static_cast<std::uint16_t>(it.value)
                                              : static_cast<std::uint32_t>(it.value);
    // Z1, most fields of every record: the lowest digit, a zero included.
    if (op.width == 1 && op.digits == 1) {
        out.put(hex_digits[bits & 15]);
        return;
    }
    char rev[8];
    std::size_t nd = 0;
    for (; bits != 0; bits >>= 4)
        rev[nd++] = hex_digits[bits & 15];
    std::size_t m = static_cast<std::size_t>(op.digits);
    std::size_t w = static_cast<std::size_t>(op.width);
    std::size_t len = nd > m ? nd : m;
    // Too wide for the field: the low-order w digits, never asterisks.
    if (len > w)
        len = w;
    std::size_t shown = nd < len ? nd : len;
    out.blanks(w - len);
    if (len == 0)
        return;
    char* p = out.place(len);
    for (std::size_t k = shown; k < len; ++k)
        *p++ = '0';
    for (std::size_t k = shown; k > 0; --k)
        *p++ = rev[k - 1];
}

void edit_chars(OutputRecord& out, const Op& op, const char* p, std::size_t n)
{
    std::size_t w = op.width == 0 ? n : static_cast<std::size_t>(op.width);
    if (w <= n) {
        out.text(p, w);
    } else {
        out.blanks(w - n);
        out.text(p, n);
    }
}

// An integer under A shows its bytes, lowest first, as the item is stored on
// the machine the program was written for.
std::size_t int_bytes(const Item& it, char* b)
{
    std::uint32_t v = static_cast<std::uint32_t>(it.value);
    std::size_t n = it.kind == Item::i16 ? 2 : 4;
    for (std::size_t k = 0; k < n; ++k)
        b[k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    return n;
}

void edit(OutputRecord& out, const Op& op, const Item& it, Stmt stmt, const char* name)
{
    if (it.kind == Item::chars) {
        if (op.kind != OpKind::char_edit)
            fail(Error::char_item, stmt, name);
        std::size_t n = it.len > 0 && it.text ? static_cast<std::size_t>(it.len) : 0;
        edit_chars(out, op, it.text, n);
        return;
    }
    switch (op.kind) {
    case OpKind::int_edit:
        edit_int(out, op, it.value);
        break;
    case OpKind::hex_edit:
        edit_hex(out, op, it);
        break;
    case OpKind::char_edit: {
        char b[4];
        std::size_t n = int_bytes(it, b);
        edit_chars(out, op, b, n);
        break;
    }
    default:
        fail(Error::int_item, stmt, name);
    }
}

} // namespace

void render(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
            const char* name)
{
    if (!f.ok())
        fail(f.error(), stmt, name);
    if (n > 0 && !f.has_data())
        fail(Error::fmt_no_data_descriptor, stmt, name);
    OutputRecord out(sink);
    FormatControl<OutputRecord> control(f, out, stmt, name);
    for (std::size_t k = 0; k < n; ++k)
        edit(out, *control.next(true), items[k], stmt, name);
    control.next(false);
    out.finish();
}

} // namespace fmtio
