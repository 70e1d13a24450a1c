#include "driver/listed_fields.h"

#include <utility>

#include "preface/scan_state.h"

namespace driver {

using preface::scan;

int range_start_byte() {
    if (scan.itype == 2 || scan.itype == 3) return 36;
    if (scan.itype == 15) return 43;
    return 0;
}

namespace {

// ipref(1..11) into the items' values, one store each.
template <std::size_t... k>
void digits(fmtio::Item* items, std::index_sequence<k...>) {
    ((items[k].value = scan.ipref[k + 1]), ...);
}

} // namespace

fmtio::Item* list_fields() {
    // The items keep their kinds from one record to the next: only the
    // values are new.
    static fmtio::Item items[listed_items + 1] = {
        fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0),
        fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0),
        fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0)};
    items[0].value = scan.irec;
    items[1].value = scan.itype;
    digits(items + 2, std::make_index_sequence<11>{});
    return items;
}

} // namespace driver
