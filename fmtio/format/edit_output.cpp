// Formatted output by the walk: each item's I, Z or A field laid out, then emitted into the record.
#include <cstdint>
#include <cstring>

#include "fmtio/format/field_text.h"
#include "fmtio/format/format_control.h"
#include "fmtio/format/output_record.h"
#include "fmtio/format/render.h"

namespace fmtio {

namespace {

// The w columns of a field that shows some text: its leading blanks are
// written with it.
char* field_columns(OutputRecord& out, std::int32_t w)
{
    char* p = out.place(static_cast<std::size_t>(w));
    std::memset(p, ' ', static_cast<std::size_t>(w));
    return p;
}

void edit_int(OutputRecord& out, const Op& op, std::int32_t v)
{
    if (int_blank(op.digits, v))
        out.blanks(static_cast<std::size_t>(op.width));
    else
        put_dec(field_columns(out, op.width), num_field(op.width, op.digits), v);
}

// Z shows the item's own bits: 16 of a 16-bit one.
std::uint32_t hex_bits(const Item& it)
{
    return it.kind == Item::i16 ? static_cast<std::uint16_t>(it.value) : static_cast<std::uint32_t>(it.value);
}

void edit_hex(OutputRecord& out, const Op& op, std::uint32_t bits)
{
    if (hex_blank(op.digits, bits))
        out.blanks(static_cast<std::size_t>(op.width));
    else
        put_hex(field_columns(out, op.width), static_cast<std::size_t>(op.width),
                static_cast<std::size_t>(op.digits), bits);
}

void edit_chars(OutputRecord& out, const Op& op, const char* p, std::size_t n)
{
    const CharField c = char_field(static_cast<std::size_t>(op.width), n);
    out.blanks(c.lead);
    out.text(p, c.count);
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
        edit_hex(out, op, hex_bits(it));
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

void render(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt, const char* name)
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
