// The fields of a one-run format for items bound to variables: laid out once, filled at each issue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

// One fill: a run of Z1 or Z2 fields in consecutive columns, their values in
// consecutive variables (two runs of Z1 fields one column apart count as
// one, and so do Z1 and Z2 fields mixed over 16-bit variables), or a single
// I, Z or A field. Each kind and count of
// fill is a small function of its own; each but the statement's last ends by
// going on to the next fill's, so that a statement's fields need no loop, no
// look at what each fill is, and no registers saved for either.
struct Fill {
    void (*fn)(char* q, const Fill* f);
    const void* var;   // the first variable, or the text
    const Use* use;    // an I or Z field of any width: its use in the plan
    std::int32_t len;  // a text: the characters copied
    std::int32_t col;  // the first field's column; a text: where it goes
    std::int32_t count;  // a run: its fields
    // Two Z1 runs one column apart: the first one's fields. A run of Z1 and
    // Z2 fields over 16-bit variables: bit k set when field k is a Z1.
    std::int32_t shape;
};

// What a prepared write fills in for its bound items. The kinds and texts of
// the items are known when it is laid out, so no issue looks at them again.
class BoundFill {
public:
    // Lays out the fields of the first n items of f's one-run template, when
    // they fill whole steps of it, or of all the items of its first pass, when
    // that is one record of runs and A fields without a width; each item one
    // that a fill takes: an integer under I or Z, a text under A, a text of
    // at least one character last or under A without a width. False
    // otherwise, with nothing laid out: the statement then goes the general
    // way, which also reports what is wrong.
    bool prepare(const Format& f, const Bound* items, std::size_t n);
    bool ready() const { return !fills_.empty(); }

    // The record before its fields are filled in: the template's first len()
    // characters. padded(): the whole template followed by blanks, when the
    // record is one run's template.
    const char* text() const { return own_.empty() ? text_ : own_.data(); }
    std::size_t len() const { return len_; }
    const char* padded() const { return padded_; }
    std::size_t template_len() const { return template_len_; }
    // The record keeps the line open.
    bool open() const { return open_; }
    // The items are all the run has: the record is the whole template.
    bool whole() const { return whole_; }

    // The whole record at q, the template and then the fields: the
    // template is copied in 16-byte blocks by the chain's first fill, so q
    // must have room for span() bytes, not only len().
    void build(char* q) const { fills_.front().fn(q, fills_.data()); }
    std::size_t span() const { return span_; }

    // The fields alone, with the variables' values as they are now, into the
    // record at q.
    void operator()(char* q) const { fills_[1].fn(q, fills_.data() + 1); }
    // The fields' fills themselves, for a statement that fetches the first
    // one's function before it writes the record: first->fn(q, first).
    const Fill* chain() const { return fills_.data() + 1; }

    BoundFill() = default;
    // The copy's fill points into copy_, which a move keeps and a copy would not.
    BoundFill(BoundFill&&) = default;
    BoundFill& operator=(BoundFill&&) = default;
    BoundFill(const BoundFill&) = delete;
    BoundFill& operator=(const BoundFill&) = delete;

private:
    // What every issue reads comes first, in less than a cache line: a
    // statement that starts a line with it fetches one line for it, not three.
    std::vector<Fill> fills_;  // the template's copy, then the fields
    const char* padded_ = nullptr;
    std::uint32_t len_ = 0;
    std::uint32_t span_ = 0;  // copy_'s size
    bool open_ = false;
    bool whole_ = false;
    std::vector<char> copy_;  // the template, in blanks to a whole number of blocks
    const char* text_ = nullptr;
    std::string own_;  // a record laid out from several pieces of the format
    std::size_t template_len_ = 0;
};

} // namespace fmtio
