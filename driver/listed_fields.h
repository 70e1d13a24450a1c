// What the listing line and the progress line both show of a record.
#pragma once
#include "fmtio/items.h"

namespace driver {

// The first of the record's two range-start bytes: 36 for types 2 and 3, 43
// for type 15; 0 for every other type, rejected records included.
int range_start_byte();

// irec, itype and ipref(1..11): the first 13 items of both lines, in an
// array of the run with room for one more item after them.
constexpr int listed_items = 13;
fmtio::Item* list_fields();

} // namespace driver
