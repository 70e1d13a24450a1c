#include "driver/listed_fields.h"

#include "preface/scan_state.h"

namespace driver {

using preface::scan;

int range_start_byte() {
    if (scan.itype == 2 || scan.itype == 3) return 36;
    if (scan.itype == 15) return 43;
    return 0;
}

void list_fields(fmtio::Item* items) {
    items[0] = fmtio::item(scan.irec);
    items[1] = fmtio::item(scan.itype);
    for (int i = 1; i <= 11; ++i) items[1 + i] = fmtio::item(scan.ipref[i]);
}

} // namespace driver
