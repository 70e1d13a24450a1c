// An internal write prepared once, for a statement that the program issues again and again with the same variable, format and items.
#pragma once
#include <cstddef>
#include <vector>

#include "fmtio/compiled/bound_fill.h"
#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

// What every issue would find out about the format, the variable and the
// items is found out when prepared; an issue fills the fields alone. Each
// issue does what write_internal(var, len, f, items, n) does with the bound
// items' values as they are then, failures included. The format must
// outlive the statement.
// It starts a cache line, and what an issue reads comes first in it.
class alignas(64) PreparedWrite {
public:
    PreparedWrite(char* var, int len, const Format& f, const Bound* items, std::size_t n);
    void operator()() const;

private:
    void general() const;
    char* var_;
    int len_;
    // Ready when the record fits a variable of 8 to 16 characters, which the
    // template and the blanks after it then fill by two moves.
    BoundFill fill_;
    const Format& f_;
    std::vector<Bound> items_;
    mutable std::vector<Item> values_;  // the items as they are now, for the general way
};

} // namespace fmtio
