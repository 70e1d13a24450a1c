#include "driver/listed_fields.h"

#include "preface/scan_state.h"

namespace driver {

using preface::scan;

int range_start_byte() {
    if (scan.itype == 2 || scan.itype == 3) return 36;
    if (scan.itype == 15) return 43;
    return 0;
}

std::array<fmtio::Bound, listed_items + 1> listed_fields(fmtio::Bound last) {
    return {fmtio::bind(scan.irec),     fmtio::bind(scan.itype),    fmtio::bind(scan.ipref[1]),
            fmtio::bind(scan.ipref[2]), fmtio::bind(scan.ipref[3]), fmtio::bind(scan.ipref[4]),
            fmtio::bind(scan.ipref[5]), fmtio::bind(scan.ipref[6]), fmtio::bind(scan.ipref[7]),
            fmtio::bind(scan.ipref[8]), fmtio::bind(scan.ipref[9]), fmtio::bind(scan.ipref[10]),
            fmtio::bind(scan.ipref[11]), last};
}

} // namespace driver
