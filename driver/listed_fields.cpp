#include "driver/listed_fields.h"

#include "preface/scan_state.h"

namespace driver {

using preface::scan;

int range_start_byte() {
    if (scan.itype == 2 || scan.itype == 3) return 36;
    if (scan.itype == 15) return 43;
    return 0;
}

fmtio::Item* list_fields() {
    // The items keep their kinds from one record to the next: only the
    // values are new.
    static fmtio::Item items[listed_items + 1] = {
        fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0),
        fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0),
        fmtio::item(0), fmtio::item(0), fmtio::item(0), fmtio::item(0)};
    items[0].value = scan.irec;
    items[1].value = scan.itype;
    for (int i = 1; i <= 11; ++i) items[1 + i].value = scan.ipref[i];
    return items;
}

} // namespace driver
