// A format laid out ahead: its passes as runs of fixed-width fields over text templates.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fmtio/format/ops.h"

namespace fmtio {

// `count` data edits of one descriptor in a row, nothing between them, with
// what the text before the first does to an input position.
struct PlanField {
    OpKind kind;               // int_edit, hex_edit or char_edit
    std::int32_t width;
    std::int32_t digits;
    std::int32_t count;
    std::int32_t in_skip;      // characters stepped over before the first slash (all, without one)
    std::int32_t in_after;     // characters stepped over after the first slash
    bool in_slash;
};

enum class SlotKind : std::uint8_t {
    z1,   // Z1: the lowest hexadecimal digit alone
    z2,   // Z2: the lowest two, the first a blank when it would be a leading zero
    dec,  // Iw.m, m at least 1
    hex,  // Zw.m, m at least 1
    chars,  // Aw: a field of w columns, its text at the right
    // Steps only: Z1 and Z2 fields mixed, each at its use's column, as a
    // packed date is written.
    zlow,
};

// One item's field in a run's template.
struct Use {
    SlotKind kind;
    std::int32_t off;          // its first column
    std::int32_t width;
    std::int32_t digits;
    std::int32_t cut;          // the template's length when the final scan stops here
    // I: magnitudes below these fit the field, for a value of 0 or more and
    // for a negative one; 0 when none does.
    std::uint32_t fits_plus;
    std::uint32_t fits_minus;
};

// Uses of one kind in a row within a run, as the fill takes them. Z1 and Z2
// fields side by side, column after column, are one step at a known place:
// their items go to consecutive columns with no use to look up.
struct Step {
    SlotKind kind;
    std::int32_t count;
    std::int32_t at;           // z1, z2: the first field's column; others: the first use, in Plan::uses
};

// Output: a run of fixed-width fields, or one field whose width waits for its item.
struct Piece {
    std::int32_t gap;          // gap ops carried out before it, in Plan::gaps
    std::int32_t gap_len;
    std::int32_t field;        // a single field: it, in Plan::fields
    std::int32_t step;         // a run: its steps in Plan::steps
    std::int32_t step_count;
    std::int32_t use;          // a run: its first use, one per item, in Plan::uses
    std::int32_t items;        // data edits in it
    std::int32_t text;         // a run: its template in Plan::pool (blanks where the fields go)
    std::int32_t text_len;     // up to the text that follows its last field in the same record
    bool run;
};

// The first n items of a one-run format's run, when they fill its first
// steps whole: those steps' end, and the record they make.
struct Prefix {
    std::int32_t step_end;     // one past the last step; -1 when n ends inside a step (or is 0)
    std::int32_t len;          // the template's length when the final scan stops after item n
    bool open;                 // the record keeps the line open
    bool ends_chars;           // item n is under an A field
};

// One pass over the format: from its start, or from the reversion point, to its end.
struct Pass {
    std::int32_t piece;
    std::int32_t pieces;
    std::int32_t tail;         // gap ops after the last data edit, up to the end
    std::int32_t tail_len;
    std::int32_t field;        // every field of the pass, in order (input walks these)
    std::int32_t fields;
    std::int32_t in_skip;      // input: the tail's effect, as for a field
    std::int32_t in_after;
    bool in_slash;
};

// I and Z with at least one digit always fill their width, and so does A w
// with any text at all, so their columns, and the literals and skips around
// them, are known before any item is. A w of an empty text leaves its blanks
// pending, as a skip would. A without a width and zero-digit fields are
// placed as they come.
constexpr std::int32_t blanks_after = 16;

struct Plan {
    Pass first;                // from the format's start
    Pass again;                // from the reversion point, for the items a pass leaves over
    bool reverts_to_data = false;
    // The first pass is one run and no slash: with no more items than the
    // run has fields, the statement's one record is the template filled in.
    bool one_run = false;
    Piece run{};               // one-run formats: that run
    // One-run formats: the whole template followed by blanks_after blanks,
    // in the pool, so a short variable is filled by one copy.
    std::int32_t padded = 0;
    bool open_first = false;   // one-run formats: a backslash before the run
    bool open_tail = false;    // and after it
    // One-run formats: by item count n, what a statement of n items fills
    // when they end a step, as most statements' items do.
    std::vector<Prefix> prefixes;
    // Input: how many items the first field takes with nothing before it
    // (0 when something is), so that most reads need look no further.
    std::int32_t first_take = 0;
    std::vector<Op> gaps;      // literal (into pool), skip, slash, keep_open
    std::vector<PlanField> fields;
    std::vector<Step> steps;
    std::vector<Use> uses;
    std::vector<Piece> pieces;
    std::string pool;
};

// The plan of a compiled format, or false when it has none: a format whose
// repeats unroll to more than a few thousand edits is walked instead.
bool make_plan(const std::vector<Op>& ops, const char* pool, int reversion, Plan& plan);

} // namespace fmtio
