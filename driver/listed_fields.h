// What the listing line and the progress line both show of a record.
#pragma once
#include <array>

#include "fmtio/format/items.h"

namespace driver {

// The first of the record's two range-start bytes: 36 for types 2 and 3, 43
// for type 15; 0 for every other type, rejected records included.
int range_start_byte();

// irec, itype and ipref(1..11), bound to the scan state: the first 13 items
// of both lines, followed by one more of the line's own.
constexpr int listed_items = 13;
std::array<fmtio::Bound, listed_items + 1> listed_fields(fmtio::Bound last);

} // namespace driver
