// The fills of a bound statement's fields: a small function for each kind and count of field, chained by jumps.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fmtio/format/field_text.h"

namespace fmtio {

// One fill: the record's template copied in, a run of Z1 or Z2 fields in
// consecutive columns over consecutive variables, or a single I, Z or A
// field. Each fill but the statement's last ends by going on to the next
// fill's function, so that a statement's fields need no loop, no look at
// what each fill is, and no registers saved for either.
struct Fill {
    void (*fn)(char* q, const Fill* f);
    const void* var;     // the first variable, the text, or the template
    NumField num;        // an I or Z field: its width and digits, and for I its bounds
    std::int32_t len;    // a text: the characters copied; the template: its bytes; I: below what value its digits alone are written
    std::int32_t col;    // the first field's column (I: the column after the field)
    std::int32_t count;  // a run: its fields
};

using FillFn = void (*)(char* q, const Fill* f);

// What a field's fill does; its variables are 32-bit (wide) or 16-bit.
enum class FillKind : std::uint8_t {
    z1,     // Z1: the lowest hexadecimal digit
    z2,     // Z2: the lowest two, the first a blank when it would be a leading zero
    dec,    // Iw.m, m at least 1
    hex,    // Zw.m, m at least 1
    chars,  // A: len characters of the text
};

// The function for a fill of this kind, `last` when it ends the chain.
FillFn fill_function(FillKind kind, bool wide, const Fill& f, bool last);

// The template's copy, in blocks of fill_block bytes, going on to the first field's fill.
constexpr std::size_t fill_block = 16;
FillFn copy_function(std::size_t blocks);

// The chain's end where the record has no field to fill in.
void end_fill(char* q, const Fill* f);

} // namespace fmtio
