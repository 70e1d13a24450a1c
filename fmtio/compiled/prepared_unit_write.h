// A formatted write on a unit, prepared once for a statement that the program issues for every record.
#pragma once
#include <cstddef>
#include <vector>

#include "fmtio/compiled/bound_fill.h"
#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

struct Connection;

// Each issue does what write_formatted(unit, f, items, n) does with the bound
// items' values as they are then, failures included: the unit is looked up
// at each issue, and a record that the unit cannot take where it keeps it
// is handed on whole. The format must outlive the statement.
// It starts a cache line, and what an issue reads comes first in it.
class alignas(64) PreparedUnitWrite {
public:
    PreparedUnitWrite(int unit, const Format& f, const Bound* items, std::size_t n);
    void operator()() const;

private:
    Connection& connection() const;
    void handed_on(Connection& c) const;
    void general(Connection& c) const;
    // The unit's connection as last looked up, and when.
    mutable Connection* connection_ = nullptr;
    mutable unsigned epoch_ = 0;
    BoundFill fill_;
    int unit_;
    const Format& f_;
    std::vector<Bound> items_;
    mutable std::vector<Item> values_;  // the items as they are now, for the general way
    mutable std::vector<char> record_;  // a record the unit does not take in place
};

} // namespace fmtio
