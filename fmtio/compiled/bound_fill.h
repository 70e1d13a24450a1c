// A statement whose items are bound to variables: its one record laid out once, its fields filled in at each issue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fmtio/compiled/fills.h"
#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

// What a prepared statement fills in for its bound items. The kinds and
// texts' lengths of the items are known when it is laid out, so no issue
// looks at them again.
class BoundFill {
public:
    // Lays out the record that f makes of the n items (lay_out) and the fills
    // of its fields. False otherwise, with nothing laid out: the statement
    // then goes the general way, which also reports what is wrong.
    bool prepare(const Format& f, const Bound* items, std::size_t n);
    bool ready() const { return !fills_.empty(); }

    // The record before its fields are filled in, len() characters,
    // followed by blanks up to span(), which is at least fill_block.
    const char* text() const { return copy_.data(); }
    std::size_t len() const { return len_; }
    std::size_t span() const { return span_; }
    // The record keeps the line open.
    bool open() const { return open_; }

    // The whole record at q, the template and then the fields: the template
    // is copied in blocks by the chain's first fill, so q must have room for
    // span() bytes, not only len().
    void build(char* q) const { fills_.front().fn(q, fills_.data()); }
    // The fields alone, with the variables' values as they are now, into the
    // record at q.
    void operator()(char* q) const { fills_[1].fn(q, fills_.data() + 1); }
    // The fields' fills themselves, for a statement that fetches the first
    // one's function before it writes the record: first->fn(q, first).
    const Fill* chain() const { return fills_.data() + 1; }

    BoundFill() = default;
    // The template's fill points into copy_, which a move keeps and a copy would not.
    BoundFill(BoundFill&&) = default;
    BoundFill& operator=(BoundFill&&) = default;
    BoundFill(const BoundFill&) = delete;
    BoundFill& operator=(const BoundFill&) = delete;

private:
    // What every issue reads comes first, in less than a cache line: a
    // statement that starts a line with it fetches one line for it, not three.
    std::vector<Fill> fills_;  // the template's copy, then the fields
    std::uint32_t len_ = 0;
    std::uint32_t span_ = 0;   // copy_'s size
    bool open_ = false;
    std::vector<char> copy_;   // the template, in blanks to a whole number of blocks
};

} // namespace fmtio
