#include "driver/progress.h"

#include "driver/run_state.h"
#include "fmtio/statements.h"
#include "preface/scan_state.h"

namespace driver {
namespace {

using fmtio::Format;
using fmtio::Item;
using fmtio::item;
using preface::console_unit;
using preface::scan;

// Both end with the return character and the backslash: the next record
// overwrites this one in place.
const Format zero_fmt(
    "(1x,' Decoding preface:       rec #',i8,' type'                ,i3,2x,5z1,1x,6z1,"
    "' Range Start ZERO!',a1,\\)");
const Format plain_fmt(
    "(1x,' Decoding preface:       rec #',i8,' type'                                       "
    ",i3,2x,5z1,1x,6z1,a1,\\)");
const Format return_fmt("(a1,\\)");

const char return_char[] = "\r";

} // namespace

void show_progress() {
    const auto& b = scan.ibuf;
    run.rstart_prev = run.rstart;
    if (scan.itype == 2 || scan.itype == 3)
        run.rstart = static_cast<float>(b[36] * 100 + b[37]);
    else if (scan.itype == 15)
        run.rstart = static_cast<float>(b[43] * 100 + b[44]);

    // A new range start leaves the old line on screen and starts the next one.
    if (run.rstart != run.rstart_prev) {
        fmtio::write_list_directed(console_unit, {});
        fmtio::write_formatted(console_unit, return_fmt, {item(return_char, 1)});
    }

    Item items[14];
    items[0] = item(scan.irec);
    items[1] = item(scan.itype);
    for (int i = 1; i <= 11; ++i) items[1 + i] = item(scan.ipref[i]);
    items[13] = item(return_char, 1);
    bool keyed = scan.itype == 2 || scan.itype == 3 || scan.itype == 15;
    fmtio::write_formatted(console_unit, keyed && run.rstart == 0.0f ? zero_fmt : plain_fmt, items, 14);
}

} // namespace driver
