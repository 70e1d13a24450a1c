// A bound statement's one record, laid out ahead by the walk: its text with blanks where the fields go, and each item's columns.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

// Where one item's field stands in the record.
struct Column {
    const Op* op;        // its descriptor
    std::int32_t col;    // its first column
    std::int32_t count;  // I and Z: the width; A: the characters of the text shown, 0 for none
};

struct LaidOut {
    std::string text;             // the record as the final scan leaves it, blanks in the fields' columns
    std::vector<Column> columns;  // one per item
    bool open = false;            // the record keeps the line open
};

// Lays out the one record that f makes of the n bound items, when every
// field stands in the same columns whatever the values: I and Z of at least
// one digit always fill their width, A the characters of a text whose length
// binding fixed. False, with nothing promised, for a statement that makes no
// such record: more items than the format's first pass takes, a slash, an I
// or Z field with no digit asked for, an item its descriptor does not take
// (the walk reports that), or a record of more than max_laid_out characters.
bool lay_out(const Format& f, const Bound* items, std::size_t n, LaidOut& out);

constexpr std::size_t max_laid_out = 16384;

} // namespace fmtio
